#include "Services/UpdateCenter.h"

#include <TestSupport/TemporaryRoot.h>

#include <QUrl>

#include <gtest/gtest.h>

using velkora::UpdateCenter;

namespace {

struct SilentDriver : platform::SPUUserDriver {
    void showUpdateNotFound(const QString&, const QString&) override {}
    void showUpdateFound(const QString&, const platform::SUAppcastItem&, const QString&) override {}
    void showUpdaterError(const QString&) override {}
};

std::unique_ptr<platform::SPUUserDriver> silent()
{
    return std::make_unique<SilentDriver>();
}

}  // namespace

TEST(UpdateCenter, FeedIsTheSameSecureAddressForEveryCall)
{
    TemporaryRoot root;
    UpdateCenter center(silent());
    UpdateCenter other(silent());
    const QString feed = center.feedURLStringForUpdater(center.updater());
    const QUrl url(feed);
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_EQ(url.host(), QStringLiteral(VELKORA_UPDATE_FEED_HOST));
    EXPECT_EQ(url.path(), QStringLiteral("/tallowmere/downloads/appcast.xml"));
    EXPECT_EQ(center.feedURLStringForUpdater(other.updater()), feed);
    EXPECT_EQ(other.feedURLStringForUpdater(center.updater()), feed);
    EXPECT_EQ(center.updater().feedURLString(), feed);
    EXPECT_TRUE(center.updater().isStarted());
}

TEST(UpdateCenter, AutomaticChecksStayOffAfterARestartAndStoredFeedsAreCleared)
{
    TemporaryRoot root;
    platform::UserDefaults::standard().set(QStringLiteral("SUFeedURL"), QStringLiteral("https://old.example.invalid/feed"));
    {
        UpdateCenter center(silent());
        EXPECT_FALSE(platform::UserDefaults::standard().object(QStringLiteral("SUFeedURL")).isValid());
        center.setAutomaticallyChecksForUpdates(true);
        EXPECT_TRUE(center.automaticallyChecksForUpdates());
        center.setAutomaticallyChecksForUpdates(false);
        EXPECT_FALSE(center.automaticallyChecksForUpdates());
    }
    const UpdateCenter restarted(silent());
    EXPECT_FALSE(restarted.automaticallyChecksForUpdates());
    EXPECT_EQ(platform::UserDefaults::standard().object(QStringLiteral("SUEnableAutomaticChecks")), QVariant(false));
}
