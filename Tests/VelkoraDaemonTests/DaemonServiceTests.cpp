// The service's own rules, against scripted hardware (FakeHardware.cpp): what
// each pass writes and publishes, the commands, calibration, sleep and wake,
// and clients coming and going. The timer runs once at start; every further
// pass is one that a command or a client event runs, so passes are counted
// exactly.
#include "DaemonService.h"
#include "DaemonStore.h"
#include "FakeHardware.h"

#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/IPC.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

namespace velkora {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using Writes = std::vector<std::string>;

class DaemonServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "daemon-service-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
        hardware().reset();
    }

    void TearDown() override
    {
        service.reset();
        std::filesystem::remove_all(root_);
    }

    static FakeHardware& hardware() { return FakeHardware::shared(); }

    // Builds the service and waits for the timer's first pass.
    void start()
    {
        DaemonService::Timing timing;
        timing.now = [this] { return std::chrono::system_clock::time_point(std::chrono::hours(500000)) + clock.load(); };
        timing.pollInterval = 24h;
        timing.pollLeeway = 0s;
        service = DaemonService::create(timing);
        // The first pass publishes a reading, or on a Mac without a battery probes the hardware.
        const Json noBattery = Json::parse(IPC::encode(PowerSnapshot::noBattery()));
        const auto started = std::chrono::steady_clock::now();
        while (hardware().capabilities.batteryPresent ? snapshot() == noBattery : hardwareWrites().empty()) {
            ASSERT_LT(std::chrono::steady_clock::now() - started, 10s) << "no first pass";
            std::this_thread::sleep_for(1ms);
        }
    }

    static Writes hardwareWrites()
    {
        std::lock_guard lock(hardware().mutex);
        return hardware().writes;
    }

    void script(const std::function<void(FakeHardware&)>& change)
    {
        std::lock_guard lock(hardware().mutex);
        change(hardware());
    }

    // A data reply as {"data": <JSON or null>, "text": <text or null>}.
    template <typename Operation>
    Json call(Operation operation)
    {
        auto answer = std::make_shared<std::promise<Json>>();
        auto future = answer->get_future();
        operation([answer](std::optional<std::vector<std::uint8_t>> data, std::optional<std::string> text) {
            answer->set_value(Json{{"data", data ? Json::parse(data->begin(), data->end()) : Json()},
                                   {"text", text ? Json(*text) : Json()}});
        });
        EXPECT_EQ(future.wait_for(10s), std::future_status::ready);
        return future.get();
    }

    Json perform(const ControlCommand& command)
    {
        return call([&](auto reply) { service->perform(IPC::encode(command), reply); });
    }
    Json snapshot() { return call([&](auto reply) { service->fetchSnapshot(reply); })["data"]; }
    Json policy() { return call([&](auto reply) { service->fetchPolicy(reply); })["data"]; }

    // One pass that changes nothing else.
    Json pass() { return perform(ControlCommand::cancelTopUp())["data"]; }

    Json setPolicy(const Json& changes)
    {
        auto json = Json::parse(IPC::encode(ChargePolicy::defaultPolicy()));
        json.update(changes);
        const std::string text = json.dump();
        return perform(
            ControlCommand::setPolicy(IPC::decode<ChargePolicy>(std::vector<std::uint8_t>(text.begin(), text.end()))));
    }

    void level(std::int64_t percentage, double powerWatts = 0)
    {
        script([&](FakeHardware& fake) {
            fake.reading.battery.percentage = percentage;
            fake.reading.battery.hardwarePercentage = percentage;
            fake.reading.battery.powerWatts = powerWatts;
        });
    }

    // Waits for the blocks the sleep and wake actions submitted.
    void settle() { snapshot(); }

    std::atomic<std::chrono::seconds> clock{0s};
    std::shared_ptr<DaemonService> service;

private:
    std::filesystem::path root_;
};

TEST_F(DaemonServiceTest, OnlyWhatDiffersFromTheHardwareOrTheLastWriteIsWritten)
{
    level(80);
    start();
    EXPECT_EQ(setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}})["data"]["state"], "paused");
    EXPECT_EQ(hardware().takeWrites(), (Writes{"charging 0", "led 3"})) << "adapter already on";
    pass();
    EXPECT_EQ(hardware().takeWrites(), Writes{});
    script([](FakeHardware& fake) { fake.chargingReading = true; });
    pass();
    EXPECT_EQ(hardware().takeWrites(), Writes{"charging 0"}) << "the hardware lost the inhibit";
}

TEST_F(DaemonServiceTest, WithManagementOffOnlyALeftoverInhibitIsUndone)
{
    script([](FakeHardware& fake) { fake.chargingReading = false; });
    start();
    EXPECT_EQ(hardware().takeWrites(), (Writes{"charging 1", "led 0"})) << "the first pass corrects an earlier run's inhibit";
    script([](FakeHardware& fake) { fake.chargingReading = false; });
    pass();
    pass();
    EXPECT_EQ(hardware().takeWrites(), Writes{});
}

// launchd starts the daemon again after it was killed with the adapter off
// to run the battery down to the limit; no client ever connects.
TEST_F(DaemonServiceTest, AFreshStartPutsAnAdapterLeftOffBackOnAtOrBelowTheStoredLimit)
{
    ChargePolicy stored = ChargePolicy::defaultPolicy();
    stored.managementEnabled = true;
    stored.chargeLimit = 60;
    DaemonStore().savePolicy(stored);
    const std::optional<bool> leftOff = false;
    const std::optional<bool> unreadable;
    for (const std::optional<bool>& adapter : {leftOff, unreadable}) {
        for (const std::int64_t percentage : {60, 59}) {
            SCOPED_TRACE(std::string(adapter ? "left off" : "unreadable") + " at " + std::to_string(percentage) + " %");
            hardware().reset();
            script([&](FakeHardware& fake) { fake.adapterReading = adapter; });
            level(percentage);
            start();
            const Writes written = hardware().takeWrites();
            ASSERT_FALSE(written.empty());
            EXPECT_EQ(written.front(), "adapter 1");
            service.reset();
        }
    }
}

TEST_F(DaemonServiceTest, AnInhibitThatDoesNotStopTheCurrentIsResentAndReportedAfterFivePasses)
{
    level(80, 2.5);
    start();
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}});
    for (int index = 2; index <= 4; ++index) {
        EXPECT_EQ(pass()["state"], "paused") << "pass " << index;
    }
    const Json fifth = pass();
    EXPECT_EQ(fifth["state"], "error");
    EXPECT_EQ(fifth["stateReason"], "已请求暂停充电，但仍检测到 2.5 W 流入电池");
    EXPECT_EQ(pass()["state"], "error") << "the error lasts as long as the current";
    Writes resent(6, "charging 0");
    resent.insert(resent.begin() + 1, "led 3");
    EXPECT_EQ(hardware().takeWrites(), resent);

    level(80, 2.0);
    EXPECT_EQ(pass()["state"], "paused") << "2.0 W does not count";
    EXPECT_EQ(hardware().takeWrites(), Writes{});
}

TEST_F(DaemonServiceTest, TheFirstFailingWriteEndsThePassWithTheErrorPublished)
{
    level(90);
    start();
    script([](FakeHardware& fake) { fake.failingWrite = "adapter 0"; });
    const Json reply = setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}});
    EXPECT_EQ(reply["text"], "adapter 0 failed");
    EXPECT_EQ(snapshot()["state"], "error");
    EXPECT_EQ(snapshot()["stateReason"], "adapter 0 failed");
    EXPECT_EQ(hardware().takeWrites(), Writes{}) << "charging and LED are not tried";

    script([](FakeHardware& fake) { fake.failingWrite.reset(); });
    EXPECT_EQ(pass()["state"], "discharging");
    EXPECT_EQ(hardware().takeWrites(), (Writes{"adapter 0", "charging 0", "led 3"}));
}

// Hardware that stops answering: the last reading stays on show with the
// failure, and once the SMC is opened again everything is written afresh,
// since it may have lost every value meanwhile.
TEST_F(DaemonServiceTest, AReadingThatFailsKeepsTheLastOneWithTheFailureAndAReopenedSMCIsWrittenAfresh)
{
    level(90);
    start();
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}});
    hardware().takeWrites();

    level(91);
    script([](FakeHardware& fake) {
        fake.failingRead = "电池信息没有响应（IOKit -536870185）";
        fake.connectionLost = true;
    });
    const Json failed = perform(ControlCommand::cancelTopUp());
    EXPECT_EQ(failed["text"], "电池信息没有响应（IOKit -536870185）");
    const Json shown = snapshot();
    EXPECT_EQ(shown["state"], "error");
    EXPECT_EQ(shown["stateReason"], "电池信息没有响应（IOKit -536870185）");
    EXPECT_EQ(shown["battery"]["percentage"], 90) << "the last reading, not a Mac without a battery";
    EXPECT_EQ(hardware().takeWrites(), Writes{});

    script([](FakeHardware& fake) { fake.failingRead.reset(); });
    EXPECT_EQ(pass()["state"], "discharging");
    EXPECT_EQ(snapshot()["battery"]["percentage"], 91);
    EXPECT_EQ(hardware().takeWrites(), (Writes{"reopen", "adapter 0", "charging 0", "led 3"}));
}

TEST_F(DaemonServiceTest, OnAFirmwareLimitMacTheBoundsFollowThePolicyAndTheModes)
{
    script([](FakeHardware& fake) {
        fake.firmwareLimit = true;
        fake.chargingReading.reset();
    });
    level(57);
    start();
    hardware().takeWrites();
    const struct {
        const char* name;
        std::function<void()> step;
        Writes expected;
    } steps[] = {
        {"limit 100 without sailing",
         [&] { setPolicy({{"managementEnabled", true}, {"chargeLimit", 100}, {"sailingEnabled", false}}); },
         {"limit 99 100", "led 4"}},
        {"limit 20 with a sailing delta of 20",
         [&] { setPolicy({{"managementEnabled", true}, {"chargeLimit", 20}, {"sailingDelta", 20}}); },
         {"adapter 0", "limit 0 20", "led 3"}},
        {"forced discharge holds the level", [&] { perform(ControlCommand::forceDischarge(true)); },
         {"limit 56 57", "led 6"}},
        {"charging off outside the window at 0 %",
         [&] {
             level(0);
             perform(ControlCommand::forceDischarge(true));
         },
         {"limit 0 1"}},
        {"a top-up lifts the limit", [&] { perform(ControlCommand::topUp()); }, {"adapter 1", "limit off", "led 4"}},
    };
    for (const auto& step : steps) {
        step.step();
        EXPECT_EQ(hardware().takeWrites(), step.expected) << step.name;
    }
}

TEST_F(DaemonServiceTest, ABatteryThatSaysItIsFullEndsTheCalibrationsChargesBelowOneHundred)
{
    level(97);
    start();
    const auto phaseWhen = [&](std::int64_t percentage, bool fullyCharged) {
        level(percentage);
        script([&](FakeHardware& fake) { fake.reading.battery.isFullyCharged = fullyCharged; });
        return pass()["calibrationPhase"].get<std::string>();
    };
    EXPECT_EQ(perform(ControlCommand::startCalibration())["data"]["calibrationPhase"], "chargingToFull");
    EXPECT_EQ(phaseWhen(97, false), "chargingToFull");
    EXPECT_EQ(phaseWhen(97, true), "dischargingToLow");
    EXPECT_EQ(phaseWhen(10, false), "rechargingToFull");
    EXPECT_EQ(phaseWhen(98, false), "rechargingToFull");
    EXPECT_EQ(phaseWhen(98, true), "holdingFull");
}

TEST_F(DaemonServiceTest, CalibrationMovesOnByLevelAndByTheWallClock)
{
    level(100);
    start();
    const auto phaseAt = [&](std::int64_t percentage) {
        level(percentage);
        return pass()["calibrationPhase"].get<std::string>();
    };
    EXPECT_EQ(perform(ControlCommand::startCalibration())["data"]["calibrationPhase"], "dischargingToLow");
    EXPECT_EQ(phaseAt(11), "dischargingToLow");
    EXPECT_EQ(phaseAt(10), "rechargingToFull");
    EXPECT_EQ(phaseAt(99), "rechargingToFull");
    EXPECT_EQ(phaseAt(100), "holdingFull");
    clock = 3599s;
    EXPECT_EQ(phaseAt(100), "holdingFull");
    clock = 3600s;
    EXPECT_EQ(phaseAt(100), "restoringLimit");
    EXPECT_EQ(phaseAt(81), "restoringLimit") << "above the limit of 80";
    EXPECT_EQ(phaseAt(80), "inactive");
    EXPECT_EQ(hardware().heldAssertions, std::vector<std::string>{}) << "released once the run is over";
}

TEST_F(DaemonServiceTest, WithoutABatteryNothingIsWrittenAndTheHardwareIsProbedEveryThirtySeconds)
{
    script([](FakeHardware& fake) { fake.capabilities = {}; });
    start();
    EXPECT_EQ(hardware().takeWrites(), Writes{"refresh"}) << "at once";
    EXPECT_EQ(perform(ControlCommand::topUp())["text"], "这台 Mac 没有内置电池");
    EXPECT_EQ(setPolicy({{"managementEnabled", true}})["text"], "这台 Mac 没有内置电池");
    EXPECT_EQ(policy()["managementEnabled"], false);
    EXPECT_EQ(snapshot()["stateReason"], "未检测到内置电池");

    clock = 29s;
    perform(ControlCommand::restoreDefaults());
    EXPECT_EQ(hardware().takeWrites(), Writes{"restore"});
    clock = 30s;
    perform(ControlCommand::restoreDefaults());
    EXPECT_EQ(hardware().takeWrites(), (Writes{"restore", "refresh"}));

    const Json health = call([&](auto reply) { service->health(reply); })["data"];
    EXPECT_EQ(health["hardwareAvailable"], false);
    EXPECT_EQ(health["identity"]["helperBuild"], "unknown");
    EXPECT_EQ(health["identity"]["appVersion"], "unknown");
}

TEST_F(DaemonServiceTest, EnforcementIsSuspendedWhileNoClientIsConnected)
{
    level(90);
    start();
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}, {"preserveWhenAppClosed", false}});
    service->clientConnected();
    service->clientConnected();
    service->clientDisconnected();
    settle();
    hardware().takeWrites();
    EXPECT_EQ(pass()["state"], "discharging") << "one client is left";

    service->clientDisconnected();
    settle();
    EXPECT_EQ(hardware().takeWrites(), Writes{"restore"});
    const Json suspended = pass();
    EXPECT_EQ(suspended["state"], "paused");
    EXPECT_EQ(suspended["stateReason"], "应用已退出，充电限制已暂停");
    EXPECT_EQ(hardware().takeWrites(), Writes{});

    service->clientDisconnected();
    settle();
    EXPECT_EQ(hardware().takeWrites(), Writes{"restore"}) << "more invalidations than acceptances";

    service->clientConnected();
    EXPECT_EQ(snapshot()["state"], "discharging") << "the connection's own pass";
    EXPECT_EQ(hardware().takeWrites(), (Writes{"adapter 0", "charging 0", "led 3"}));
}

TEST_F(DaemonServiceTest, SleepStopsDirectChargingAndWakeWritesEverythingAfresh)
{
    level(50);
    start();
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}});
    hardware().takeWrites();

    hardware().willSleep();
    settle();
    EXPECT_EQ(hardware().takeWrites(), Writes{"charging 0"});
    hardware().didWake();
    settle();
    EXPECT_EQ(hardware().takeWrites(), (Writes{"refresh", "adapter 1", "charging 1", "led 4"}));

    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}, {"stopChargingBeforeSleep", false}});
    hardware().takeWrites();
    hardware().willSleep();
    settle();
    EXPECT_EQ(hardware().takeWrites(), Writes{});

    script([](FakeHardware& fake) { fake.firmwareLimit = true; });
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}});
    hardware().takeWrites();
    hardware().willSleep();
    settle();
    EXPECT_EQ(hardware().takeWrites(), Writes{}) << "the firmware bounds keep applying";
}

TEST_F(DaemonServiceTest, TheMacIsKeptAwakeWhileItChargesToTheLimit)
{
    level(50);
    start();
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}, {"preventSleepUntilLimit", true}});
    pass();
    EXPECT_EQ(hardware().heldAssertions,
              std::vector<std::string>{"PreventUserIdleSystemSleep 255 Tallowmere正在充电至设定上限"});
    EXPECT_EQ(hardware().assertionsCreated, 1);
    level(80);
    pass();
    EXPECT_TRUE(hardware().heldAssertions.empty());
    level(50);
    setPolicy({{"managementEnabled", true}, {"chargeLimit", 80}, {"preventSleepUntilLimit", true}, {"sailingEnabled", false}});
    EXPECT_EQ(hardware().assertionsCreated, 2);
}

TEST_F(DaemonServiceTest, CommandsSetTheModesTheyName)
{
    level(50);
    start();
    EXPECT_EQ(perform(ControlCommand::topUp())["data"]["state"], "topUp");
    EXPECT_EQ(setPolicy({{"sailingEnabled", false}})["data"]["state"], "topUp") << "same limit: the top-up goes on";
    EXPECT_NE(setPolicy({{"chargeLimit", 70}})["data"]["state"], "topUp") << "a new limit ends it";

    setPolicy({{"chargeLimit", 150}, {"sailingDelta", 0}, {"heatLimitCelsius", 50}});
    EXPECT_EQ(policy()["chargeLimit"], 100);
    EXPECT_EQ(policy()["sailingDelta"], 1);
    EXPECT_EQ(policy()["heatLimitCelsius"], 45);
    EXPECT_EQ(DaemonStore().loadPolicy().chargeLimit, 100);

    level(12);
    pass();
    EXPECT_EQ(perform(ControlCommand::pauseAtCurrentLevel())["data"]["state"], "charging");
    EXPECT_EQ(policy()["chargeLimit"], 20);
    EXPECT_EQ(policy()["managementEnabled"], true);

    hardware().takeWrites();
    const Json restored = perform(ControlCommand::restoreDefaults());
    EXPECT_EQ(restored["data"]["stateReason"], "充电管理已关闭");
    EXPECT_EQ(hardware().takeWrites(), Writes{"restore"});
    pass();
    EXPECT_EQ(hardware().takeWrites(), Writes{}) << "the defaults count as applied";
}

TEST_F(DaemonServiceTest, AForcedDischargeThatCannotBeEnforcedIsWithdrawn)
{
    level(50);
    start();
    script([](FakeHardware& fake) { fake.failingWrite = "charging 0"; });
    EXPECT_EQ(perform(ControlCommand::forceDischarge(true))["text"], "charging 0 failed");
    EXPECT_EQ(hardware().takeWrites(), (Writes{"adapter 0", "adapter 1"}));
    EXPECT_EQ(pass()["state"], "paused") << "the forced discharge is no longer requested";
    EXPECT_EQ(perform(ControlCommand::setPowerMode(PowerSourceKind::adapter, PowerMode::high))["data"]["state"],
              "paused");
    EXPECT_EQ(hardware().takeWrites(), Writes{"power mode adapter 2"});
}

}  // namespace
}  // namespace velkora
