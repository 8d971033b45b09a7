#include "ModelFixture.h"

#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"
#include "UserNotifications/UNUserNotificationCenter.h"

namespace velkora::test {
namespace {

class PollLoopTest : public ModelFixture {};

TEST_F(PollLoopTest, StartUpMirrorsAHealthyHelperAndEveryTickPublishesItsSnapshot)
{
    createSettledModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    EXPECT_EQ(model->policy(), daemonPolicy);
    EXPECT_EQ(model->capabilities(), capabilities);
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(platform::UserDefaults::standard().object("healthyHelperBuild").toString(), "unknown");
    EXPECT_TRUE(platform::UNUserNotificationCenter::current().isAuthorized());
    EXPECT_EQ(platform::UNUserNotificationCenter::current().authorizedOptions(),
              platform::UNAuthorizationOptionAlert | platform::UNAuthorizationOptionSound);
    EXPECT_EQ(loginItem->registrations, 1);

    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot = chargingSnapshot(57);
        daemonSnapshot.state = ChargingState::topUp;
    }
    tick();
    EXPECT_EQ(model->snapshot().battery.percentage, 57);
    EXPECT_TRUE(model->isTopUpActive());
    EXPECT_EQ(model->history().livePoints().size(), 1);
}

TEST_F(PollLoopTest, EveryFifthTickAsksForTheApprovalAndNoticesOneRevokedOutsideTheApplication)
{
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::enabled());
    // With a healthy helper only the audit asks for the registration.
    std::vector<int> auditTicks;
    for (int tickNumber = 1; tickNumber <= 10; ++tickNumber) {
        const int before = registration->statusReads;
        tick();
        const int reads = registration->statusReads - before;
        ASSERT_LE(reads, 1) << "tick " << tickNumber;
        if (reads == 1) {
            auditTicks.push_back(tickNumber);
        }
    }
    ASSERT_EQ(auditTicks.size(), 2u);
    EXPECT_EQ(auditTicks[1] - auditTicks[0], 5);
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());

    // The user turns the helper off in System Settings: the next audit, and
    // no tick before it, sees it.
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    const int untilAudit = auditTicks[1] + 5 - 10;
    for (int tickNumber = 1; tickNumber < untilAudit; ++tickNumber) {
        tick();
        EXPECT_EQ(model->helperStatus(), HelperStatus::enabled()) << "tick " << tickNumber;
    }
    tick();
    EXPECT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    EXPECT_TRUE(model->isAwaitingSystemApproval());
    EXPECT_EQ(loginItemsOpened, 0) << "noticed, not acted on: the settings stay closed";
}

TEST_F(PollLoopTest, ASuccessfulFetchClearsOnlyTheErrorThatAFailedFetchLeft)
{
    createSettledModel();
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::fetchSnapshotSelector) {
            request.answer(std::nullopt, "snapshot unreadable");
            handled();
        }
    });
    tick();
    EXPECT_EQ(model->lastError(), "snapshot unreadable");
    // The tick fell back to the local reading of simmac's battery.
    EXPECT_EQ(model->snapshot().battery.percentage, 80);

    setScript(nullptr);
    tick();
    EXPECT_EQ(model->lastError(), std::nullopt);

    // A failed command's message stays until the user acted on it.
    setScript([this](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            request.answer(std::nullopt, "pause refused");
            handled();
        }
    });
    model->pauseCharging();
    ASSERT_TRUE(waitFor([&] { return model->lastError() == "pause refused"; }));
    setScript(nullptr);
    tick(3);
    EXPECT_EQ(model->lastError(), "pause refused");
}

TEST_F(PollLoopTest, TwoFailedFetchesCheckTheHelperAndAnUnansweredHelperGetsFourSpacedAttempts)
{
    createSettledModel();
    std::vector<AppClock::Instant> healthChecks;
    setScript([&](DaemonRequest& request) {
        if (request.selector == VelkoraDaemonProtocol::healthSelector) {
            healthChecks.push_back(clock->now());
        }
        request.answer(std::nullopt, "daemon gone");
        handled();
    });
    const AppClock::Instant start = clock->now();
    tick();
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
    EXPECT_EQ(model->lastError(), "daemon gone");
    tick();
    EXPECT_EQ(model->helperStatus(), HelperStatus::offline());
    EXPECT_EQ(model->lastError(), L("The charging daemon is not responding; auto-recovery in progress…",
                                    "充电后台服务无响应，正在自动尝试恢复…"));
    ASSERT_EQ(healthChecks.size(), 1u);

    for (int second = 0; second < 120 && model->helperStatus().kind() != HelperStatus::Kind::repairFailed; ++second) {
        tick();
    }
    EXPECT_EQ(model->helperStatus(),
              HelperStatus::repairFailed(L("Automatic repair stopped; choose Repair Now or check background permissions",
                                           "自动修复已停止，请点“立即修复”或检查系统后台运行权限")));
    // The failed check, then four attempts, each after the back-off of the one before.
    ASSERT_EQ(healthChecks.size(), 5u);
    const std::chrono::seconds backOff[] = {2s, 2s, 5s, 15s};
    for (std::size_t attempt = 0; attempt < 4; ++attempt) {
        const auto gap = healthChecks[attempt + 1] - healthChecks[attempt];
        EXPECT_GE(gap, backOff[attempt]) << "attempt " << attempt + 1;
        EXPECT_LE(gap, backOff[attempt] + 2s) << "attempt " << attempt + 1;
    }
    EXPECT_GE(clock->now() - healthChecks[4], 30s);
    EXPECT_LT(clock->now() - start, 70s);

    tick(60);
    EXPECT_EQ(healthChecks.size(), 5u);
}

TEST_F(PollLoopTest, TenBatteryLessSnapshotsTakeTheBatteryAwayAndItsReturnStartsTheCountAfresh)
{
    createSettledModel();
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot = PowerSnapshot::noBattery();
    }
    tick(9);
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    EXPECT_EQ(model->snapshot().battery.percentage, 50);
    tick();
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_FALSE(model->batteryPresent());
    EXPECT_EQ(model->helperStatus(), HelperStatus::unsupportedDevice());

    // simmac's battery is still there: the next local reading finds it.
    tick();
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    EXPECT_TRUE(model->batteryPresent());
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));

    // One stray battery-less reading after the return changes nothing.
    tick();
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    EXPECT_TRUE(model->batteryPresent());
}

class DesktopPollLoopTest : public ModelFixture {
protected:
    DesktopPollLoopTest() : ModelFixture("desktop") {}
};

TEST_F(DesktopPollLoopTest, ADesktopMacRecordsDesktopPowerAndNeverContactsTheHelper)
{
    createSettledModel();
    EXPECT_FALSE(model->batteryPresent());
    EXPECT_EQ(model->helperStatus(), HelperStatus::unsupportedDevice());
    tick(10);
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_TRUE(model->telemetry().desktopPower().has_value());
    EXPECT_EQ(peer->requestCount(), 0);
    EXPECT_FALSE(platform::UNUserNotificationCenter::current().isAuthorized());
    model->topUp();
    EXPECT_EQ(model->lastError(), L("This Mac has no built-in battery, so charging controls are not applicable.",
                                    "这台 Mac 没有内置电池，无需使用充电控制功能。"));
}

}  // namespace
}  // namespace velkora::test
