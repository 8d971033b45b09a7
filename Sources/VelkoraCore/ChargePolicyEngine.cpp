#include <VelkoraCore/ChargePolicyEngine.h>

#include <limits>
#include <string>

namespace velkora::ChargePolicyEngine {

namespace {

MagSafeLEDMode led(const ChargePolicy& policy, MagSafeLEDMode mode)
{
    return policy.manageMagSafeLED ? mode : MagSafeLEDMode::system;
}

// limit - delta, never below 0. Saturating, so that a policy that skipped
// normalisation cannot overflow.
std::int64_t lowerBound(std::int64_t limit, std::int64_t delta)
{
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(limit, delta, &difference)) {
        return delta < 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    }
    return difference < 0 ? 0 : difference;
}

// The decision of each calibration phase: the run keeps the Mac awake and
// takes the battery through a full cycle whatever the limit says, except in
// the last phase, which runs it down to the limit with the adapter off.
PolicyDecision calibrationDecision(CalibrationPhase phase, std::int64_t percentage, const ChargePolicy& policy)
{
    PolicyDecision decision{
        .chargingEnabled = false,
        .adapterEnabled = true,
        .state = ChargingState::calibrating,
        .reason = {},
        .reachedLimit = false,
        .preventSleep = true,
        .ledMode = MagSafeLEDMode::system,
    };
    switch (phase) {
    case CalibrationPhase::chargingToFull:
        decision.chargingEnabled = true;
        decision.reason = "校准：首次充电至 100%";
        decision.ledMode = led(policy, MagSafeLEDMode::orange);
        break;
    case CalibrationPhase::dischargingToLow:
        decision.adapterEnabled = false;
        decision.reason = "校准：正在放电至 10%";
        decision.ledMode = led(policy, MagSafeLEDMode::blinkOrangeSlow);
        break;
    case CalibrationPhase::rechargingToFull:
        decision.chargingEnabled = true;
        decision.reason = "校准：再次充电至 100%";
        decision.ledMode = led(policy, MagSafeLEDMode::orange);
        break;
    case CalibrationPhase::holdingFull:
        decision.reason = "校准：满电保持 1 小时";
        decision.ledMode = led(policy, MagSafeLEDMode::green);
        break;
    case CalibrationPhase::restoringLimit:
    case CalibrationPhase::inactive:  // not asked for: evaluate comes here only while a run is active
        decision.adapterEnabled = percentage <= policy.chargeLimit;
        decision.reason = "校准：恢复至 " + std::to_string(policy.chargeLimit) + "% 充电上限";
        decision.ledMode = led(policy, MagSafeLEDMode::blinkOrangeSlow);
        break;
    }
    return decision;
}

}  // namespace

PolicyDecision evaluate(const PolicyContext& context)
{
    const BatterySnapshot& snapshot = context.snapshot;
    const ChargePolicy& policy = context.policy;

    if (!snapshot.adapterConnected) {
        return {true, true, ChargingState::onBattery, "未连接电源适配器", false, false, MagSafeLEDMode::system};
    }

    // NaN compares false, so an unreadable temperature never trips protection.
    if (policy.heatProtectionEnabled &&
        snapshot.temperatureCelsius >= static_cast<double>(policy.heatLimitCelsius)) {
        return {false,
                true,
                ChargingState::heatProtected,
                "电池温度达到 " + std::to_string(policy.heatLimitCelsius) + "°C",
                context.hasReachedLimit,
                false,
                led(policy, MagSafeLEDMode::orange)};
    }

    const std::int64_t level = policy.useHardwarePercentage ? snapshot.hardwarePercentage : snapshot.percentage;

    if (context.calibrationPhase != CalibrationPhase::inactive) {
        return calibrationDecision(context.calibrationPhase, level, policy);
    }

    if (context.forceDischargeActive) {
        return {false,
                false,
                ChargingState::discharging,
                "正在主动放电",
                context.hasReachedLimit,
                false,
                led(policy, MagSafeLEDMode::blinkOrangeSlow)};
    }

    if (context.topUpActive) {
        if (level > 99 || snapshot.isFullyCharged) {
            return {false, true, ChargingState::topUp, "电池已充满", true, false, led(policy, MagSafeLEDMode::green)};
        }
        return {true,
                true,
                ChargingState::topUp,
                "正在临时充电至 100%",
                false,
                policy.preventSleepUntilLimit,
                led(policy, MagSafeLEDMode::orange)};
    }

    if (!policy.managementEnabled) {
        return {true,
                true,
                snapshot.isCharging ? ChargingState::charging : ChargingState::paused,
                "充电管理已关闭",
                false,
                false,
                MagSafeLEDMode::system};
    }

    const std::int64_t limit = policy.chargeLimit;
    if (level >= limit) {
        const bool atLimit = level == limit;
        return {false,
                atLimit,
                atLimit ? ChargingState::paused : ChargingState::discharging,
                "已达到 " + std::to_string(limit) + "% 充电上限",
                true,
                false,
                led(policy, MagSafeLEDMode::green)};
    }

    const std::int64_t lower = lowerBound(limit, policy.sailingDelta);
    if (policy.sailingEnabled && context.hasReachedLimit && level >= lower) {
        return {false,
                true,
                ChargingState::sailing,
                "航海区间 " + std::to_string(lower) + "%–" + std::to_string(limit) + "%",
                true,
                false,
                led(policy, MagSafeLEDMode::green)};
    }

    return {true,
            true,
            ChargingState::charging,
            "正在充电至 " + std::to_string(limit) + "%",
            false,
            policy.preventSleepUntilLimit,
            led(policy, MagSafeLEDMode::orange)};
}

}  // namespace velkora::ChargePolicyEngine
