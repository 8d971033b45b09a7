#include "../BatteryViewsTests/ViewFixture.h"

#include "Settings/SleepBehaviorView.h"

#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Services/AppLanguage.h"

#include <QTest>

namespace velkora::test {
namespace {

const QString keepsAwakeKey = QStringLiteral("%@ 将保持系统唤醒，直到电量达到 %lld%%；显示器仍可正常关闭。");
const QString protectsKey = QStringLiteral("系统可以正常睡眠；%@ 会在睡眠前保护当前充电状态，并在唤醒后重新评估策略。");
const QString firmwareKey = QStringLiteral("未启用额外睡眠保护，睡眠期间的充电行为由系统固件决定。");

QString keepsAwake(std::int64_t level)
{
    return localized(keepsAwakeKey, QStringLiteral("Tallowmere"), static_cast<qlonglong>(level));
}
QString protects()
{
    return localized(protectsKey, QStringLiteral("Tallowmere"));
}
QString firmware()
{
    return localized(firmwareKey);
}

// A reading of the battery as the service reports it.
PowerSnapshot reading(ChargingState state, std::int64_t percentage, bool adapter, bool charging)
{
    PowerSnapshot snapshot;
    snapshot.state = state;
    snapshot.battery.percentage = percentage;
    snapshot.battery.hardwarePercentage = percentage;
    snapshot.battery.adapterConnected = adapter;
    snapshot.battery.isCharging = charging;
    return snapshot;
}

ChargePolicy rules(bool management, bool stopBeforeSleep, bool preventSleep, bool preserve)
{
    ChargePolicy policy;
    policy.chargeLimit = 80;
    policy.managementEnabled = management;
    policy.stopChargingBeforeSleep = stopBeforeSleep;
    policy.preventSleepUntilLimit = preventSleep;
    policy.preserveWhenAppClosed = preserve;
    return policy;
}

TEST(SleepStatusSentence, SaysWhatTheRulesDoForEachCombinationOfRulesAndManagement)
{
    const PowerSnapshot chargingBelow = reading(ChargingState::charging, 50, true, true);
    for (const bool preserve : {false, true}) {
        SCOPED_TRACE(preserve ? "kept after quitting" : "not kept after quitting");
        // Management on, charging towards the limit on the adapter.
        EXPECT_EQ(SleepBehaviorView::statusText(rules(true, false, false, preserve), chargingBelow, true), firmware());
        EXPECT_EQ(SleepBehaviorView::statusText(rules(true, true, false, preserve), chargingBelow, true), protects());
        EXPECT_EQ(SleepBehaviorView::statusText(rules(true, false, true, preserve), chargingBelow, true),
                  keepsAwake(80));
        EXPECT_EQ(SleepBehaviorView::statusText(rules(true, true, true, preserve), chargingBelow, true),
                  keepsAwake(80))
            << "keeping awake wins over protecting before sleep";
        // Management off: the service neither keeps the Mac awake nor
        // stops charging before sleep, whatever the rules say.
        for (const bool stop : {false, true}) {
            for (const bool prevent : {false, true}) {
                const PowerSnapshot unmanaged = reading(ChargingState::charging, 50, true, true);
                EXPECT_EQ(SleepBehaviorView::statusText(rules(false, stop, prevent, preserve), unmanaged, true),
                          firmware())
                    << "stop " << stop << " prevent " << prevent;
            }
        }
    }
}

TEST(SleepStatusSentence, KeepsAwakeOnlyWhileTheChargeIsActuallyHeadingForTheLimit)
{
    const ChargePolicy both = rules(true, true, true, true);
    // At the limit, above it, sailing, too hot or discharging: the service
    // lets the Mac sleep, and only the protection before sleep remains.
    for (const PowerSnapshot& snapshot :
         {reading(ChargingState::paused, 80, true, false), reading(ChargingState::discharging, 85, true, false),
          reading(ChargingState::sailing, 77, true, false), reading(ChargingState::heatProtected, 60, true, false),
          reading(ChargingState::onBattery, 50, false, false)}) {
        SCOPED_TRACE(appLocalizedName(snapshot.state).toStdString());
        EXPECT_EQ(SleepBehaviorView::statusText(both, snapshot, true), protects());
    }
    // A reading that reports charging although the battery is already at
    // the limit is not kept awake either.
    EXPECT_EQ(SleepBehaviorView::statusText(both, reading(ChargingState::charging, 80, true, true), true), protects());
    // A top-up keeps it awake until full, management or not.
    EXPECT_EQ(SleepBehaviorView::statusText(rules(false, false, true, false),
                                            reading(ChargingState::topUp, 90, true, true), true),
              keepsAwake(100));
    EXPECT_EQ(SleepBehaviorView::statusText(rules(true, false, true, false),
                                            reading(ChargingState::topUp, 100, true, false), true),
              firmware());
}

TEST(SleepStatusSentence, WithoutARunningServiceNothingIsClaimed)
{
    const PowerSnapshot chargingBelow = reading(ChargingState::charging, 50, true, true);
    for (const bool stop : {false, true}) {
        for (const bool prevent : {false, true}) {
            EXPECT_EQ(SleepBehaviorView::statusText(rules(true, stop, prevent, true), chargingBelow, false),
                      firmware());
        }
    }
}

TEST(SleepStatusSentence, TheLimitInTheSentenceIsThePolicys)
{
    ChargePolicy policy = rules(true, false, true, false);
    policy.chargeLimit = 65;
    const QString sentence =
        SleepBehaviorView::statusText(policy, reading(ChargingState::charging, 64, true, true), true);
    EXPECT_EQ(sentence, keepsAwake(65));
    EXPECT_TRUE(sentence.contains(QStringLiteral("65%"))) << sentence.toStdString();
    EXPECT_FALSE(sentence.contains(QStringLiteral("%@")) || sentence.contains(QStringLiteral("%lld")));
}

class SleepBehaviorViewTest : public ViewFixture {
protected:
    SleepBehaviorView* showPage()
    {
        createSettledModel();
        page = show(new SleepBehaviorView(environment()), QSize(910, 650));
        return page;
    }

    // Clicks `toggle` and waits for the policy it sends.
    ChargePolicy click(VelkoraSwitch* toggle)
    {
        const std::size_t before = sentPolicies().size();
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_TRUE(waitForPolicies(before + 1));
        settle();
        return sentPolicies().empty() ? ChargePolicy{} : sentPolicies().back();
    }

    SleepBehaviorView* page = nullptr;
};

TEST_F(SleepBehaviorViewTest, TurningASleepRuleOnTurnsManagementOnAndTurningItOffLeavesManagementAlone)
{
    daemonPolicy.managementEnabled = false;
    daemonPolicy.stopChargingBeforeSleep = false;
    daemonPolicy.preventSleepUntilLimit = false;
    showPage();
    ASSERT_FALSE(model->policy().managementEnabled);

    ChargePolicy sent = click(page->stopBeforeSleepSwitch());
    EXPECT_TRUE(sent.stopChargingBeforeSleep);
    EXPECT_TRUE(sent.managementEnabled);
    sent = click(page->stopBeforeSleepSwitch());
    EXPECT_FALSE(sent.stopChargingBeforeSleep);
    EXPECT_TRUE(sent.managementEnabled);

    model->updatePolicy([](ChargePolicy& policy) { policy.managementEnabled = false; });
    ASSERT_TRUE(waitForPolicies(3));
    sent = click(page->preventSleepSwitch());
    EXPECT_TRUE(sent.preventSleepUntilLimit);
    EXPECT_TRUE(sent.managementEnabled);
    EXPECT_TRUE(page->preventSleepSwitch()->isChecked());

    model->updatePolicy([](ChargePolicy& policy) { policy.managementEnabled = false; });
    ASSERT_TRUE(waitForPolicies(5));
    sent = click(page->preventSleepSwitch());
    EXPECT_FALSE(sent.preventSleepUntilLimit);
    EXPECT_FALSE(sent.managementEnabled);
}

TEST_F(SleepBehaviorViewTest, KeepingTheLimitAfterQuittingNeverTouchesManagement)
{
    daemonPolicy.managementEnabled = false;
    daemonPolicy.preserveWhenAppClosed = false;
    showPage();
    ChargePolicy sent = click(page->preserveWhenClosedSwitch());
    EXPECT_TRUE(sent.preserveWhenAppClosed);
    EXPECT_FALSE(sent.managementEnabled);
    sent = click(page->preserveWhenClosedSwitch());
    EXPECT_FALSE(sent.preserveWhenAppClosed);
    EXPECT_FALSE(sent.managementEnabled);
}

TEST_F(SleepBehaviorViewTest, ARefusedChangeLeavesTheSwitchAndTheSentenceAsTheModelKeepsThem)
{
    daemonPolicy.preventSleepUntilLimit = false;
    showPage();
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::requiresApproval(); }));
    settle();

    const std::size_t before = sentPolicies().size();
    QTest::mouseClick(page->preventSleepSwitch(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(page->preventSleepSwitch()->isChecked());
    EXPECT_EQ(sentPolicies().size(), before);
    EXPECT_FALSE(model->policy().preventSleepUntilLimit);
    ASSERT_TRUE(model->lastError().has_value());
    // The service waits for approval: it enforces nothing now.
    EXPECT_EQ(page->statusLabel()->text(), firmware());
}

TEST_F(SleepBehaviorViewTest, TheStatusPanelFollowsTheReadingsAndThePolicy)
{
    daemonPolicy.managementEnabled = true;
    daemonPolicy.chargeLimit = 80;
    daemonPolicy.stopChargingBeforeSleep = true;
    daemonPolicy.preventSleepUntilLimit = false;
    daemonSnapshot = chargingSnapshot(50);
    showPage();
    EXPECT_EQ(page->statusLabel()->text(), protects());
    EXPECT_EQ(page->powerSourceLabel()->text(), localized(QStringLiteral("已连接电源")));
    EXPECT_EQ(page->powerSourceSymbol()->name(), QStringLiteral("powerplug.fill"));
    EXPECT_EQ(page->stateBadge()->state(), ChargingState::charging);

    click(page->preventSleepSwitch());
    EXPECT_EQ(page->statusLabel()->text(), keepsAwake(80));

    PowerSnapshot unplugged = chargingSnapshot(50);
    unplugged.battery.adapterConnected = false;
    unplugged.battery.isCharging = false;
    unplugged.state = ChargingState::onBattery;
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot = unplugged;
    }
    // The next poll brings it.
    tick();
    ASSERT_TRUE(waitFor([&] { return !model->snapshot().battery.adapterConnected; }));
    settle();
    EXPECT_EQ(page->statusLabel()->text(), protects());
    EXPECT_EQ(page->powerSourceLabel()->text(), localized(QStringLiteral("使用电池")));
    EXPECT_EQ(page->powerSourceSymbol()->name(), QStringLiteral("battery.75percent"));
    EXPECT_EQ(page->stateBadge()->state(), ChargingState::onBattery);
}

}  // namespace
}  // namespace velkora::test
