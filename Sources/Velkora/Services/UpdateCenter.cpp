#include "Services/UpdateCenter.h"

#include "Sparkle/SPUUserDriver.h"

namespace velkora {

UpdateCenter::UpdateCenter(std::unique_ptr<platform::SPUUserDriver> userDriver, QObject* parent) : QObject(parent)
{
    controller_ = std::make_unique<platform::SPUStandardUpdaterController>(false, this, std::move(userDriver));
    controller_->updater().startUpdater();
    // A feed address stored by an earlier version must not override ours.
    (void)controller_->updater().clearFeedURLFromUserDefaults();
    connect(&controller_->updater(), &platform::SPUUpdater::automaticallyChecksForUpdatesChanged, this,
            &UpdateCenter::automaticallyChecksForUpdatesChanged);
}

UpdateCenter::~UpdateCenter() = default;

platform::SPUUpdater& UpdateCenter::updater()
{
    return controller_->updater();
}

bool UpdateCenter::automaticallyChecksForUpdates() const
{
    return controller_->updater().automaticallyChecksForUpdates();
}

void UpdateCenter::setAutomaticallyChecksForUpdates(bool enabled)
{
    controller_->updater().setAutomaticallyChecksForUpdates(enabled);
}

void UpdateCenter::checkForUpdates()
{
    controller_->checkForUpdates();
}

QString UpdateCenter::feedURLStringForUpdater(const platform::SPUUpdater&)
{
    return QStringLiteral("https://" VELKORA_UPDATE_FEED_HOST "/tallowmere/downloads/appcast.xml");
}

}  // namespace velkora
