#include "Sparkle/SPUStandardUpdaterController.h"

#include "Sparkle/SPUStandardUserDriver.h"

namespace platform {

SPUStandardUpdaterController::SPUStandardUpdaterController(bool startingUpdater, SPUUpdaterDelegate* updaterDelegate,
                                                           std::unique_ptr<SPUUserDriver> userDriver)
    : userDriver_(userDriver != nullptr ? std::move(userDriver) : std::make_unique<SPUStandardUserDriver>()),
      updater_(std::make_unique<SPUUpdater>(Bundle::main(), UserDefaults::standard(), updaterDelegate, *userDriver_))
{
    if (startingUpdater) {
        updater_->startUpdater();
    }
}

SPUStandardUpdaterController::~SPUStandardUpdaterController() = default;

void SPUStandardUpdaterController::checkForUpdates()
{
    updater_->checkForUpdates();
}

}  // namespace platform
