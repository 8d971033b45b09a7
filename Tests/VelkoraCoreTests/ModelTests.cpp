#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/DaemonHealth.h>
#include <VelkoraCore/DaemonProtocolVersion.h>
#include <VelkoraCore/HelperRecoveryPolicy.h>
#include <VelkoraCore/IPC.h>
#include <VelkoraCore/PowerSnapshot.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velkora;

TEST(ModelTest, HandshakeNamesTheProtocolVersion)
{
    EXPECT_EQ(DaemonProtocolVersion::handshake(), "Velkora charging helper protocol 10");
    EXPECT_EQ(&DaemonProtocolVersion::handshake(), &DaemonProtocolVersion::handshake());
}

TEST(ModelTest, StateAndPhaseNamesAreTheFixedTexts)
{
    const std::vector<std::pair<std::string, std::string>> states = {
        {"unavailable", "不可用"}, {"onBattery", "使用电池"},   {"charging", "充电中"},       {"paused", "已暂停"},
        {"sailing", "航海模式"},   {"discharging", "放电中"},   {"topUp", "充满中"},          {"heatProtected", "过热保护"},
        {"calibrating", "校准中"}, {"error", "发生错误"},
    };
    ASSERT_EQ(states.size(), allChargingStates.size());
    for (std::size_t index = 0; index < states.size(); ++index) {
        EXPECT_EQ(rawValue(allChargingStates[index]), states[index].first);
        EXPECT_EQ(localizedName(allChargingStates[index]), states[index].second);
        EXPECT_EQ(chargingStateFromRawValue(states[index].first), allChargingStates[index]);
    }
    const std::vector<std::pair<std::string, std::string>> phases = {
        {"inactive", "未运行"},
        {"chargingToFull", "首次充电至 100%"},
        {"dischargingToLow", "放电至 10%"},
        {"rechargingToFull", "再次充电至 100%"},
        {"holdingFull", "满电保持 1 小时"},
        {"restoringLimit", "恢复至充电上限"},
    };
    ASSERT_EQ(phases.size(), allCalibrationPhases.size());
    for (std::size_t index = 0; index < phases.size(); ++index) {
        EXPECT_EQ(rawValue(allCalibrationPhases[index]), phases[index].first);
        EXPECT_EQ(localizedName(allCalibrationPhases[index]), phases[index].second);
        EXPECT_EQ(calibrationPhaseFromRawValue(phases[index].first), allCalibrationPhases[index]);
    }
    EXPECT_EQ(chargingStateFromRawValue("Charging"), std::nullopt);
    EXPECT_EQ(calibrationPhaseFromRawValue(""), std::nullopt);
}

TEST(ModelTest, HardwareModesAreBuiltOnlyFromTheirRawValues)
{
    EXPECT_EQ(rawValue(MagSafeLEDMode::orange), 4);
    EXPECT_EQ(magSafeLEDModeFromRawValue(7), MagSafeLEDMode::blinkOrangeFast);
    for (const std::int64_t invalid : {2, 5, 8, -1}) {
        EXPECT_EQ(magSafeLEDModeFromRawValue(invalid), std::nullopt) << invalid;
    }
    EXPECT_EQ(rawValue(PowerMode::high), 2);
    EXPECT_EQ(powerModeFromRawValue(3), std::nullopt);
    EXPECT_EQ(powerModeFromRawValue(-1), std::nullopt);
    EXPECT_EQ(powerSourceKindFromRawValue("adapter"), PowerSourceKind::adapter);
    EXPECT_EQ(powerSourceKindFromRawValue("Battery"), std::nullopt);
    EXPECT_EQ(daemonFailureCodeFromRawValue("transport"), DaemonFailureReason::Code::transport);
}

TEST(ModelTest, CommandsAreEqualOnlyWithTheSameCaseAndPayload)
{
    ChargePolicy withoutLED;
    withoutLED.manageMagSafeLED = false;
    EXPECT_NE(ControlCommand::setPowerMode(PowerSourceKind::battery, PowerMode::low),
              ControlCommand::setPowerMode(PowerSourceKind::adapter, PowerMode::low));
    EXPECT_NE(ControlCommand::forceDischarge(true), ControlCommand::forceDischarge(false));
    EXPECT_NE(ControlCommand::setPolicy(ChargePolicy{}), ControlCommand::setPolicy(withoutLED));
    EXPECT_NE(ControlCommand::topUp(), ControlCommand::cancelTopUp());
    EXPECT_EQ(ControlCommand::setPolicy(withoutLED), ControlCommand::setPolicy(withoutLED));
    EXPECT_EQ(ControlCommand::restoreDefaults(), ControlCommand::restoreDefaults());
}

TEST(ModelTest, NormalizeClampsTheThreeRangedFieldsOnly)
{
    const ChargePolicy defaults = ChargePolicy::defaultPolicy();
    EXPECT_FALSE(defaults.managementEnabled);
    EXPECT_EQ(defaults.chargeLimit, 80);
    EXPECT_EQ(defaults.sailingDelta, 5);
    EXPECT_EQ(defaults.heatLimitCelsius, 40);
    EXPECT_TRUE(defaults.sailingEnabled && defaults.preserveWhenAppClosed && defaults.stopChargingBeforeSleep &&
                defaults.manageMagSafeLED);
    EXPECT_FALSE(defaults.automaticDischarge || defaults.heatProtectionEnabled || defaults.useHardwarePercentage ||
                 defaults.preventSleepUntilLimit);
    ChargePolicy normalized = defaults;
    normalized.normalize();
    EXPECT_EQ(normalized, defaults);

    struct Case {
        std::int64_t limit, delta, heat;
        std::int64_t expectedLimit, expectedDelta, expectedHeat;
    };
    for (const Case& c : std::vector<Case>{
             {10, 0, 50, 20, 1, 45},
             {100, 20, 30, 100, 20, 30},
             {150, 21, 29, 100, 20, 30},
             {INT64_MIN, INT64_MAX, INT64_MIN, 20, 20, 30},
         }) {
        ChargePolicy policy{.managementEnabled = true, .chargeLimit = c.limit, .automaticDischarge = true,
                            .sailingEnabled = false, .sailingDelta = c.delta, .heatProtectionEnabled = true,
                            .heatLimitCelsius = c.heat, .useHardwarePercentage = true,
                            .preserveWhenAppClosed = false, .stopChargingBeforeSleep = false,
                            .preventSleepUntilLimit = true, .manageMagSafeLED = false};
        ChargePolicy expected = policy;
        expected.chargeLimit = c.expectedLimit;
        expected.sailingDelta = c.expectedDelta;
        expected.heatLimitCelsius = c.expectedHeat;
        policy.normalize();
        EXPECT_EQ(policy, expected) << c.limit;
    }
}

TEST(ModelTest, NoBatterySnapshotIsBuiltOnce)
{
    const PowerSnapshot& snapshot = PowerSnapshot::noBattery();
    EXPECT_EQ(&snapshot, &PowerSnapshot::noBattery());
    EXPECT_EQ(snapshot.state, ChargingState::unavailable);
    EXPECT_EQ(snapshot.stateReason, "未检测到内置电池");
    EXPECT_EQ(snapshot.calibrationPhase, CalibrationPhase::inactive);
    EXPECT_EQ(snapshot.battery.condition, "Not Present");
    EXPECT_EQ(snapshot.battery.timeRemainingMinutes, std::nullopt);
    EXPECT_FALSE(snapshot.adapter.connected);
    EXPECT_NE(snapshot.battery.timestamp, std::chrono::system_clock::time_point{});
}

TEST(ModelTest, HealthCarriesAHardwareErrorAsItsFailure)
{
    const auto withError = DaemonHealth::make(10, "b", "a", "s", "p", false, "SMC 不可用");
    ASSERT_TRUE(withError.failure.has_value());
    EXPECT_EQ(withError.failure->code, DaemonFailureReason::Code::hardwareInitialization);
    EXPECT_EQ(withError.hardwareError(), "SMC 不可用");
    EXPECT_EQ(withError.protocolVersion(), 10);
    EXPECT_EQ(withError.helperBuild(), "b");
    EXPECT_EQ(withError.parentBundleIdentifier(), "p");

    const auto withoutError = DaemonHealth::make(10, "b", "a", "s", "p", true);
    EXPECT_EQ(withoutError.failure, std::nullopt);
    EXPECT_EQ(withoutError.hardwareError(), std::nullopt);

    DaemonHealth transport = withoutError;
    transport.failure = DaemonFailureReason{DaemonFailureReason::Code::transport, "断开"};
    EXPECT_EQ(transport.hardwareError(), "断开");
}

TEST(ModelTest, CompatibilityIsDecidedByTheFirstMismatch)
{
    const std::string service(IPC::machServiceName);
    const std::string bundle(IPC::parentBundleIdentifier);
    struct Case {
        std::string name;
        DaemonHealth health;
        HelperCompatibility expected;
    };
    const std::vector<Case> cases = {
        {"other service and protocol", DaemonHealth::make(9, "other", "1", "com.other", bundle, true),
         HelperCompatibility::invalidIdentity},
        {"other bundle", DaemonHealth::make(10, "42", "1", service, "com.other.app", true),
         HelperCompatibility::invalidIdentity},
        {"protocol 9 and other build", DaemonHealth::make(9, "41", "1", service, bundle, true),
         HelperCompatibility::incompatibleProtocol},
        {"other build", DaemonHealth::make(10, "41", "1", service, bundle, true), HelperCompatibility::staleBuild},
        {"unstamped daemon", DaemonHealth::make(10, "unknown", "1", service, bundle, true),
         HelperCompatibility::staleBuild},
        {"same, other app version and a failure", DaemonHealth::make(10, "42", "9.9", service, bundle, false, "x"),
         HelperCompatibility::current},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.health.compatibility("42", DaemonProtocolVersion::current, service, bundle), c.expected) << c.name;
    }
    EXPECT_FALSE(requiresUpdate(HelperCompatibility::current));
    EXPECT_FALSE(requiresUpdate(HelperCompatibility::staleBuild));
    EXPECT_TRUE(requiresUpdate(HelperCompatibility::incompatibleProtocol));
    EXPECT_TRUE(requiresUpdate(HelperCompatibility::invalidIdentity));
}

TEST(ModelTest, RecoveryStopsAfterFourAttempts)
{
    using std::chrono::seconds;
    EXPECT_EQ(HelperRecoveryPolicy::delay(0), seconds(2));
    EXPECT_EQ(HelperRecoveryPolicy::delay(1), seconds(5));
    EXPECT_EQ(HelperRecoveryPolicy::delay(2), seconds(15));
    EXPECT_EQ(HelperRecoveryPolicy::delay(3), seconds(30));
    EXPECT_EQ(HelperRecoveryPolicy::delay(4), std::nullopt);
    EXPECT_EQ(HelperRecoveryPolicy::delay(-1), std::nullopt);
    EXPECT_EQ(HelperRecoveryPolicy::delay(INT64_MIN), std::nullopt);
}
