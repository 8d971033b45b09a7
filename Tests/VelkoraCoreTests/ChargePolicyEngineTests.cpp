#include <VelkoraCore/ChargePolicyEngine.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using namespace velkora;

namespace velkora {

void PrintTo(const PolicyDecision& d, std::ostream* out)
{
    *out << "{charging " << d.chargingEnabled << ", adapter " << d.adapterEnabled << ", " << rawValue(d.state) << ", "
         << d.reason << ", reached " << d.reachedLimit << ", preventSleep " << d.preventSleep << ", LED "
         << rawValue(d.ledMode) << "}";
}

}  // namespace velkora

namespace {

using State = ChargingState;
using LED = MagSafeLEDMode;

// Plugged in, managed, limit 80 with a 5-point sailing band, at 60 %.
PolicyContext baseContext()
{
    PolicyContext context;
    context.snapshot.adapterConnected = true;
    context.snapshot.percentage = 60;
    context.snapshot.hardwarePercentage = 60;
    context.snapshot.temperatureCelsius = 30;
    context.policy.managementEnabled = true;
    return context;
}

struct RuleCase {
    std::string name;
    std::function<void(PolicyContext&)> setUp;
    PolicyDecision expected;
};

void setLevel(PolicyContext& context, std::int64_t level)
{
    context.snapshot.percentage = level;
    context.snapshot.hardwarePercentage = level;
}

}  // namespace

TEST(ChargePolicyEngineTest, RulesApplyInOrder)
{
    const std::vector<RuleCase> cases = {
        {"unplugged overrides every mode",
         [](PolicyContext& c) {
             c.snapshot.adapterConnected = false;
             c.policy.heatProtectionEnabled = true;
             c.snapshot.temperatureCelsius = 50;
             c.calibrationPhase = CalibrationPhase::chargingToFull;
             c.forceDischargeActive = true;
             c.topUpActive = true;
             c.hasReachedLimit = true;
         },
         {true, true, State::onBattery, "未连接电源适配器", false, false, LED::system}},
        {"heat exactly at the threshold keeps the memory",
         [](PolicyContext& c) {
             c.policy.heatProtectionEnabled = true;
             c.snapshot.temperatureCelsius = 40.0;
             c.hasReachedLimit = true;
         },
         {false, true, State::heatProtected, "电池温度达到 40°C", true, false, LED::orange}},
        {"heat names the threshold, not the reading",
         [](PolicyContext& c) {
             c.policy.heatProtectionEnabled = true;
             c.policy.heatLimitCelsius = 35;
             c.snapshot.temperatureCelsius = 41.7;
         },
         {false, true, State::heatProtected, "电池温度达到 35°C", false, false, LED::orange}},
        {"heat pauses calibration and beats management off",
         [](PolicyContext& c) {
             c.policy.heatProtectionEnabled = true;
             c.policy.managementEnabled = false;
             c.snapshot.temperatureCelsius = 45;
             c.calibrationPhase = CalibrationPhase::rechargingToFull;
         },
         {false, true, State::heatProtected, "电池温度达到 40°C", false, false, LED::orange}},
        {"an unreadable temperature never trips heat protection",
         [](PolicyContext& c) {
             c.policy.heatProtectionEnabled = true;
             c.snapshot.temperatureCelsius = std::nan("");
         },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"heat protection off ignores the temperature",
         [](PolicyContext& c) { c.snapshot.temperatureCelsius = 60; },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"calibration beats forced discharge and top-up",
         [](PolicyContext& c) {
             c.calibrationPhase = CalibrationPhase::holdingFull;
             c.forceDischargeActive = true;
             c.topUpActive = true;
             c.hasReachedLimit = true;
         },
         {false, true, State::calibrating, "校准：满电保持 1 小时", false, true, LED::green}},
        {"forced discharge beats top-up and keeps the memory",
         [](PolicyContext& c) {
             c.forceDischargeActive = true;
             c.topUpActive = true;
             c.hasReachedLimit = true;
         },
         {false, false, State::discharging, "正在主动放电", true, false, LED::blinkOrangeSlow}},
        {"forced discharge has no lower stop",
         [](PolicyContext& c) {
             c.forceDischargeActive = true;
             setLevel(c, 1);
         },
         {false, false, State::discharging, "正在主动放电", false, false, LED::blinkOrangeSlow}},
        {"top-up at 99 still charges, with management off",
         [](PolicyContext& c) {
             c.topUpActive = true;
             c.policy.managementEnabled = false;
             c.policy.preventSleepUntilLimit = true;
             c.hasReachedLimit = true;
             setLevel(c, 99);
         },
         {true, true, State::topUp, "正在临时充电至 100%", false, true, LED::orange}},
        {"top-up at 100 is full",
         [](PolicyContext& c) {
             c.topUpActive = true;
             c.policy.preventSleepUntilLimit = true;
             setLevel(c, 100);
         },
         {false, true, State::topUp, "电池已充满", true, false, LED::green}},
        {"top-up is full when the battery says so",
         [](PolicyContext& c) {
             c.topUpActive = true;
             c.snapshot.isFullyCharged = true;
         },
         {false, true, State::topUp, "电池已充满", true, false, LED::green}},
        {"management off while charging",
         [](PolicyContext& c) {
             c.policy.managementEnabled = false;
             c.snapshot.isCharging = true;
             c.hasReachedLimit = true;
             setLevel(c, 95);
         },
         {true, true, State::charging, "充电管理已关闭", false, false, LED::system}},
        {"management off while not charging",
         [](PolicyContext& c) { c.policy.managementEnabled = false; },
         {true, true, State::paused, "充电管理已关闭", false, false, LED::system}},
        {"at the limit the adapter stays on",
         [](PolicyContext& c) { setLevel(c, 80); },
         {false, true, State::paused, "已达到 80% 充电上限", true, false, LED::green}},
        {"above the limit the adapter goes off whatever automaticDischarge says",
         [](PolicyContext& c) {
             c.policy.automaticDischarge = false;
             setLevel(c, 81);
         },
         {false, false, State::discharging, "已达到 80% 充电上限", true, false, LED::green}},
        {"sailing at the lower bound",
         [](PolicyContext& c) {
             c.hasReachedLimit = true;
             setLevel(c, 75);
         },
         {false, true, State::sailing, "航海区间 75%–80%", true, false, LED::green}},
        {"below the sailing band charges again",
         [](PolicyContext& c) {
             c.hasReachedLimit = true;
             setLevel(c, 74);
         },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"no sailing before the limit was reached",
         [](PolicyContext& c) { setLevel(c, 79); },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"sailing disabled charges one point below the limit",
         [](PolicyContext& c) {
             c.policy.sailingEnabled = false;
             c.hasReachedLimit = true;
             setLevel(c, 79);
         },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"the hardware percentage is the level when chosen",
         [](PolicyContext& c) {
             c.policy.useHardwarePercentage = true;
             c.snapshot.percentage = 80;
             c.snapshot.hardwarePercentage = 78;
         },
         {true, true, State::charging, "正在充电至 80%", false, false, LED::orange}},
        {"the displayed percentage is the level otherwise",
         [](PolicyContext& c) {
             c.snapshot.percentage = 80;
             c.snapshot.hardwarePercentage = 78;
         },
         {false, true, State::paused, "已达到 80% 充电上限", true, false, LED::green}},
        {"sleep is prevented while charging towards the limit when asked",
         [](PolicyContext& c) { c.policy.preventSleepUntilLimit = true; },
         {true, true, State::charging, "正在充电至 80%", false, true, LED::orange}},
        {"an unmanaged LED is left to the system",
         [](PolicyContext& c) {
             c.policy.manageMagSafeLED = false;
             setLevel(c, 90);
         },
         {false, false, State::discharging, "已达到 80% 充电上限", true, false, LED::system}},
        {"an unnormalised band stops at 0",
         [](PolicyContext& c) {
             c.policy.chargeLimit = 3;
             c.policy.sailingDelta = 5;
             c.hasReachedLimit = true;
             setLevel(c, 0);
         },
         {false, true, State::sailing, "航海区间 0%–3%", true, false, LED::green}},
        {"an unnormalised band cannot overflow",
         [](PolicyContext& c) {
             c.policy.chargeLimit = INT64_MIN;
             c.policy.sailingDelta = INT64_MAX;
             c.hasReachedLimit = true;
             setLevel(c, INT64_MIN);
         },
         {false, true, State::paused, "已达到 " + std::to_string(INT64_MIN) + "% 充电上限", true, false, LED::green}},
    };
    for (const RuleCase& c : cases) {
        PolicyContext context = baseContext();
        c.setUp(context);
        EXPECT_EQ(ChargePolicyEngine::evaluate(context), c.expected) << c.name;
    }
}

TEST(ChargePolicyEngineTest, CalibrationPhasesDecideAloneAndKeepTheMacAwake)
{
    struct Case {
        CalibrationPhase phase;
        std::int64_t level;
        bool charging, adapter;
        std::string reason;
        LED led;
    };
    const std::vector<Case> cases = {
        {CalibrationPhase::chargingToFull, 100, true, true, "校准：首次充电至 100%", LED::orange},
        {CalibrationPhase::dischargingToLow, 50, false, false, "校准：正在放电至 10%", LED::blinkOrangeSlow},
        {CalibrationPhase::rechargingToFull, 10, true, true, "校准：再次充电至 100%", LED::orange},
        {CalibrationPhase::holdingFull, 100, false, true, "校准：满电保持 1 小时", LED::green},
        {CalibrationPhase::restoringLimit, 95, false, false, "校准：恢复至 80% 充电上限", LED::blinkOrangeSlow},
        {CalibrationPhase::restoringLimit, 80, false, true, "校准：恢复至 80% 充电上限", LED::blinkOrangeSlow},
        {CalibrationPhase::restoringLimit, 60, false, true, "校准：恢复至 80% 充电上限", LED::blinkOrangeSlow},
    };
    for (const bool manageLED : {true, false}) {
        for (const Case& c : cases) {
            PolicyContext context = baseContext();
            context.calibrationPhase = c.phase;
            context.policy.managementEnabled = false;
            context.policy.preventSleepUntilLimit = false;
            context.policy.manageMagSafeLED = manageLED;
            context.hasReachedLimit = true;
            setLevel(context, c.level);
            const PolicyDecision expected{c.charging, c.adapter, State::calibrating, c.reason, false, true,
                                          manageLED ? c.led : LED::system};
            EXPECT_EQ(ChargePolicyEngine::evaluate(context), expected) << rawValue(c.phase) << " " << c.level;
        }
    }
}

// The daemon carries each decision's reachedLimit into the next tick.
TEST(ChargePolicyEngineTest, SailingHysteresisAcrossTicks)
{
    struct Tick {
        std::int64_t level;
        State state;
        bool charging;
        bool reached;
    };
    auto run = [](bool sailing, const std::vector<Tick>& ticks) {
        PolicyContext context = baseContext();
        context.policy.sailingEnabled = sailing;
        for (std::size_t index = 0; index < ticks.size(); ++index) {
            setLevel(context, ticks[index].level);
            const PolicyDecision decision = ChargePolicyEngine::evaluate(context);
            EXPECT_EQ(decision.state, ticks[index].state) << "tick " << index;
            EXPECT_EQ(decision.chargingEnabled, ticks[index].charging) << "tick " << index;
            EXPECT_EQ(decision.reachedLimit, ticks[index].reached) << "tick " << index;
            context.hasReachedLimit = decision.reachedLimit;
        }
    };
    run(true, {
                  {78, State::charging, true, false},
                  {80, State::paused, false, true},
                  {82, State::discharging, false, true},
                  {79, State::sailing, false, true},
                  {75, State::sailing, false, true},
                  {74, State::charging, true, false},
                  {75, State::charging, true, false},
                  {79, State::charging, true, false},
                  {80, State::paused, false, true},
                  {77, State::sailing, false, true},
              });
    run(false, {
                   {80, State::paused, false, true},
                   {79, State::charging, true, false},
                   {80, State::paused, false, true},
               });
}

TEST(ChargePolicyEngineTest, ModesClearOrKeepTheLimitMemory)
{
    struct Case {
        std::string name;
        std::function<void(PolicyContext&)> setUp;
        bool remembered;
    };
    const std::vector<Case> cases = {
        {"unplugging clears", [](PolicyContext& c) { c.snapshot.adapterConnected = false; }, false},
        {"calibration clears", [](PolicyContext& c) { c.calibrationPhase = CalibrationPhase::holdingFull; }, false},
        {"management off clears", [](PolicyContext& c) { c.policy.managementEnabled = false; }, false},
        {"an unfinished top-up clears", [](PolicyContext& c) { c.topUpActive = true; }, false},
        {"heat keeps",
         [](PolicyContext& c) {
             c.policy.heatProtectionEnabled = true;
             c.snapshot.temperatureCelsius = 41;
         },
         true},
        {"forced discharge keeps", [](PolicyContext& c) { c.forceDischargeActive = true; }, true},
    };
    for (const Case& c : cases) {
        PolicyContext context = baseContext();
        context.hasReachedLimit = true;
        setLevel(context, 77);
        c.setUp(context);
        context.hasReachedLimit = ChargePolicyEngine::evaluate(context).reachedLimit;
        EXPECT_EQ(context.hasReachedLimit, c.remembered) << c.name;

        // Back to plain management at 77 %: sailing only if the memory survived.
        PolicyContext next = baseContext();
        next.hasReachedLimit = context.hasReachedLimit;
        setLevel(next, 77);
        EXPECT_EQ(ChargePolicyEngine::evaluate(next).state, c.remembered ? State::sailing : State::charging) << c.name;
    }
}
