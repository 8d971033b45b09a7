#include "Intents/BatteryIntentError.h"
#include "Intents/ChargingIntents.h"
#include "Intents/ReadingIntents.h"
#include "Intents/SettingIntents.h"
#include "Services/AppLanguage.h"
#include "Services/BatteryMonitor.h"
#include "Services/ClientError.h"
#include "VelkoraCore/IPC.h"

#include "EventLoop.h"
#include "FakeDaemonPeer.h"
#include "SharedSimmac.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <mutex>

namespace velkora::test {
namespace {

using platform::IntentResult;
using platform::IntentValue;

// What the fake daemon was asked, and what it answers.
struct DaemonScript {
    std::mutex mutex;
    std::vector<std::string> selectors;
    std::vector<ControlCommand> commands;
    ChargePolicy policy;
    std::optional<std::string> policyError;
    PowerSnapshot snapshot;
};

class IntentActionTest : public testing::Test {
protected:
    void SetUp() override { SharedSimmac::useModel("firmware-limit-laptop"); }

    void startDaemon()
    {
        peer = std::make_unique<FakeDaemonPeer>([script = script](DaemonRequest request) {
            std::lock_guard lock(script->mutex);
            script->selectors.push_back(request.selector);
            if (request.selector == VelkoraDaemonProtocol::fetchPolicySelector) {
                if (script->policyError) {
                    request.answer(std::nullopt, script->policyError);
                } else {
                    request.answer(IPC::encode(script->policy), std::nullopt);
                }
            } else if (request.selector == VelkoraDaemonProtocol::performSelector) {
                script->commands.push_back(IPC::decode<ControlCommand>(*request.argument));
                request.answer(IPC::encode(script->snapshot), std::nullopt);
            } else {
                request.answer(IPC::encode(script->snapshot), std::nullopt);
            }
        });
    }

    std::vector<std::string> selectors()
    {
        std::lock_guard lock(script->mutex);
        return std::exchange(script->selectors, {});
    }
    std::vector<ControlCommand> commands()
    {
        std::lock_guard lock(script->mutex);
        return std::exchange(script->commands, {});
    }

    template <typename Intent>
    IntentResult run(const Intent& intent)
    {
        Outcome<IntentResult> outcome = await(intent.perform());
        if (outcome.error) {
            try {
                std::rethrow_exception(outcome.error);
            } catch (const std::exception& error) {
                ADD_FAILURE() << Intent::typeName << " failed: " << error.what();
            }
            return {};
        }
        return *outcome.value;
    }

    template <typename Intent>
    std::exception_ptr failure(const Intent& intent)
    {
        Outcome<IntentResult> outcome = await(intent.perform());
        EXPECT_TRUE(outcome.error) << Intent::typeName << " did not fail";
        return outcome.error;
    }

    std::shared_ptr<DaemonScript> script = std::make_shared<DaemonScript>();
    std::unique_ptr<FakeDaemonPeer> peer;
};

template <typename E>
std::optional<E> errorOf(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const E& matched) {
        return matched;
    } catch (...) {
    }
    return std::nullopt;
}

std::vector<platform::LocalizedStringResource::Argument> arguments(const IntentResult& result)
{
    return result.dialog.arguments();
}

TEST_F(IntentActionTest, TheChargingActionsSendTheirCommandAndShowTheirDialog)
{
    startDaemon();
    script->snapshot.battery.percentage = 57;

    const IntentResult toppedUp = run(TopUpIntent());
    EXPECT_EQ(toppedUp.dialog.key(), "%@ 已开始充满。");
    EXPECT_EQ(arguments(toppedUp), (std::vector<platform::LocalizedStringResource::Argument>{"Tallowmere"}));
    EXPECT_FALSE(toppedUp.value);
    // A second top-up is sent again: no action cancels one.
    run(TopUpIntent());

    // The paused level is the one of the daemon's reply, not a local reading.
    const IntentResult paused = run(PauseChargingIntent());
    EXPECT_EQ(paused.dialog.key(), "已在 %lld%% 暂停充电。");
    EXPECT_EQ(arguments(paused), (std::vector<platform::LocalizedStringResource::Argument>{57LL}));

    EXPECT_EQ(run(StartDischargeIntent()).dialog.key(), "%@ 已开始主动放电。");
    EXPECT_EQ(run(StartCalibrationIntent()).dialog.key(), "%@ 已启动电池校准。");

    EXPECT_EQ(commands(), (std::vector<ControlCommand>{ControlCommand::topUp(), ControlCommand::topUp(),
                                                       ControlCommand::pauseAtCurrentLevel(),
                                                       ControlCommand::forceDischarge(true),
                                                       ControlCommand::startCalibration()}));
    EXPECT_EQ(selectors(), std::vector<std::string>(5, std::string(VelkoraDaemonProtocol::performSelector)));
}

TEST_F(IntentActionTest, SettingTheLimitTurnsManagementOnAndKeepsEveryOtherRuleAsTheDaemonHasIt)
{
    startDaemon();
    script->policy.managementEnabled = false;
    script->policy.chargeLimit = 90;
    script->policy.sailingEnabled = false;
    script->policy.heatProtectionEnabled = true;
    script->policy.heatLimitCelsius = 33;
    script->policy.manageMagSafeLED = false;

    const IntentResult set = run(SetChargeLimitIntent{60});
    EXPECT_EQ(set.dialog.key(), "充电限制已设置为 %lld%% 。");
    EXPECT_EQ(arguments(set), (std::vector<platform::LocalizedStringResource::Argument>{60LL}));

    ChargePolicy expected = script->policy;
    expected.managementEnabled = true;
    expected.chargeLimit = 60;
    EXPECT_EQ(selectors(), (std::vector<std::string>{std::string(VelkoraDaemonProtocol::fetchPolicySelector),
                                                     std::string(VelkoraDaemonProtocol::performSelector)}));
    EXPECT_EQ(commands(), std::vector<ControlCommand>{ControlCommand::setPolicy(expected)});
}

TEST_F(IntentActionTest, ALimitWhosePolicyCannotBeFetchedIsNotSent)
{
    startDaemon();
    script->policyError = "policy.json is unreadable";
    const auto error = errorOf<ClientError>(failure(SetChargeLimitIntent{60}));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, ClientError::remote("policy.json is unreadable"));
    EXPECT_TRUE(commands().empty());
}

TEST_F(IntentActionTest, TheLEDActionBlinksSlowlyAndLeavesThePolicyAlone)
{
    startDaemon();
    EXPECT_EQ(run(SetMagSafeLEDIntent{IntentLEDMode::blinkOrange}).dialog.key(), "MagSafe LED 已更新。");
    run(SetMagSafeLEDIntent{IntentLEDMode::system});
    EXPECT_EQ(commands(), (std::vector<ControlCommand>{ControlCommand::setMagSafeLED(MagSafeLEDMode::blinkOrangeSlow),
                                                       ControlCommand::setMagSafeLED(MagSafeLEDMode::system)}));
    EXPECT_EQ(selectors(), std::vector<std::string>(2, std::string(VelkoraDaemonProtocol::performSelector)));

    // Every raw value Shortcuts may send maps to the LED mode of the same name.
    for (const IntentLEDMode mode : allIntentLEDModes) {
        EXPECT_EQ(intentLEDModeFromRawValue(rawValue(mode)), mode);
    }
    EXPECT_EQ(intentLEDModeFromRawValue("BlinkOrange"), std::nullopt);
    EXPECT_EQ(intentLEDModeFromRawValue("blinkOrangeFast"), std::nullopt);
}

TEST_F(IntentActionTest, TheBatteryPercentageIsTheOneThePolicyChoosesOrTheDisplayedOne)
{
    startDaemon();
    script->snapshot.battery.percentage = 55;
    script->snapshot.battery.hardwarePercentage = 58;

    script->policy.useHardwarePercentage = true;
    const IntentResult hardware = run(GetBatteryPercentageIntent());
    EXPECT_EQ(hardware.value, IntentValue(58LL));
    EXPECT_EQ(hardware.dialog.key(), "当前电量为 %lld%% 。");
    EXPECT_EQ(arguments(hardware), (std::vector<platform::LocalizedStringResource::Argument>{58LL}));

    script->policy.useHardwarePercentage = false;
    EXPECT_EQ(run(GetBatteryPercentageIntent()).value, IntentValue(55LL));

    script->policyError = "policy.json is unreadable";
    EXPECT_EQ(run(GetBatteryPercentageIntent()).value, IntentValue(55LL));

    script->policyError.reset();
    script->policy.chargeLimit = 72;
    const IntentResult limit = run(GetChargeLimitIntent());
    EXPECT_EQ(limit.value, IntentValue(72LL));
    EXPECT_EQ(limit.dialog.key(), "当前充电限制为 %lld%% 。");
}

TEST_F(IntentActionTest, TheTemperatureIsReturnedUnroundedAndShownWithOneDecimal)
{
    startDaemon();
    script->snapshot.battery.temperatureCelsius = 31.27;
    script->snapshot.state = ChargingState::sailing;

    const IntentResult temperature = run(GetTemperatureIntent());
    EXPECT_EQ(temperature.value, IntentValue(31.27));
    EXPECT_EQ(temperature.dialog.key(), "当前电池温度为 %@°C。");
    EXPECT_EQ(arguments(temperature), (std::vector<platform::LocalizedStringResource::Argument>{
                                          QLocale::system().toString(31.3, 'f', 1).toStdString()}));

    const IntentResult state = run(GetChargingStateIntent());
    EXPECT_EQ(state.value, IntentValue(appLocalizedName(ChargingState::sailing).toStdString()));
    EXPECT_EQ(state.dialog.key(), "当前状态：%@");
}

TEST_F(IntentActionTest, WithTheDaemonUnreachableReadingsComeFromTheLocalBatteryAndTheRestFail)
{
    // No daemon listens: every call fails at once rather than after its time-out.
    SharedSimmac::control({"level", "64"});
    SharedSimmac::control({"temperature", "34.5"});
    SharedSimmac::control({"unplug"});
    const IntentResult state = run(GetChargingStateIntent());
    EXPECT_EQ(state.value, IntentValue(appLocalizedName(ChargingState::onBattery).toStdString()));
    EXPECT_EQ(run(GetBatteryPercentageIntent()).value, IntentValue(64LL));
    const double temperature = BatteryMonitor().read().battery.temperatureCelsius;
    EXPECT_NEAR(temperature, 34.5, 0.1);
    EXPECT_EQ(run(GetTemperatureIntent()).value, IntentValue(temperature));

    EXPECT_EQ(errorOf<ClientError>(failure(GetChargeLimitIntent())), ClientError::connectionUnavailable());
    EXPECT_EQ(errorOf<ClientError>(failure(TopUpIntent())), ClientError::connectionUnavailable());
}

TEST_F(IntentActionTest, OnAMacWithoutABatteryEveryActionFailsBeforeReachingTheDaemon)
{
    SharedSimmac::useModel("desktop");
    startDaemon();
    const std::vector<std::exception_ptr> failures = {
        failure(TopUpIntent()),
        failure(PauseChargingIntent()),
        failure(StartDischargeIntent()),
        failure(StartCalibrationIntent()),
        failure(SetChargeLimitIntent{60}),
        failure(SetMagSafeLEDIntent{IntentLEDMode::green}),
        failure(GetBatteryPercentageIntent()),
        failure(GetChargeLimitIntent()),
        failure(GetChargingStateIntent()),
        failure(GetTemperatureIntent()),
    };
    for (const std::exception_ptr& error : failures) {
        const auto noBattery = errorOf<BatteryIntentError>(error);
        ASSERT_TRUE(noBattery);
        EXPECT_EQ(noBattery->errorDescription(),
                  L("This Mac has no built-in battery to manage, so this shortcut is unavailable.",
                    "这台 Mac 没有可管理的内置电池，此快捷指令不可用。"));
    }
    EXPECT_EQ(peer->acceptedConnections(), 0);
    EXPECT_EQ(peer->requestCount(), 0);
}

std::size_t entriesIn(const char* folder)
{
    std::size_t count = 0;
    if (DIR* directory = opendir(folder)) {
        while (readdir(directory) != nullptr) {
            ++count;
        }
        closedir(directory);
    }
    return count;
}

TEST_F(IntentActionTest, AThousandRunsLeaveNoConnectionsOrThreadsBehind)
{
    startDaemon();
    // A first run makes what lives for the whole process (the time-out
    // thread, the SMC connection).
    run(GetChargeLimitIntent());
    runEventsFor(std::chrono::milliseconds(50));
    const std::size_t descriptors = entriesIn("/proc/self/fd");
    const std::size_t threads = entriesIn("/proc/self/task");

    for (int round = 0; round < 1000; ++round) {
        run(GetChargeLimitIntent());
    }
    // Both ends of every connection live in this process: the daemon's end
    // closes once the client's has.
    runEventsUntil([&] { return entriesIn("/proc/self/fd") <= descriptors && entriesIn("/proc/self/task") <= threads; },
                   std::chrono::seconds(5));
    EXPECT_LE(entriesIn("/proc/self/fd"), descriptors);
    EXPECT_LE(entriesIn("/proc/self/task"), threads);
    EXPECT_EQ(peer->acceptedConnections(), 1001);
}

}  // namespace
}  // namespace velkora::test
