#include "DaemonEndToEndTest.h"

#include <SMCKit/SMCKit.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

class ChargeToLimitTest : public DaemonEndToEndTest, public ::testing::WithParamInterface<const char*> {};

// The simulated battery, on sped-up time, charges to the limit and stops
// there; let down into the sailing band it is left alone, and below the band
// it charges again. The speed keeps a charge of 1 % to a few seconds, so that
// the daemon's once-a-second pass sees every level on the way, as on a Mac.
TEST_P(ChargeToLimitTest, ChargesToTheLimitStopsThereAndSailsBelowIt)
{
    startMac(GetParam());
    simmacctl({"plug"});
    simmacctl({"level", "56"});
    simmacctl({"speed", "20"});
    startDaemon();
    auto client = signedClient();
    const auto snapshot = [&] { return client->request("snapshot")["data"]; };
    const auto holds = [&](int percentage, const std::string& state) {
        const auto now = snapshot();
        return now["battery"]["percentage"] == percentage && now["state"] == state;
    };

    ASSERT_TRUE(client->request("perform " + setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 60}}))["data"]
                    .is_object());
    ASSERT_TRUE(eventually([&] { return holds(60, "paused"); }, 60s)) << snapshot().dump();
    EXPECT_EQ(snapshot()["stateReason"], "已达到 60% 充电上限");
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(holds(60, "paused")) << "it stays at the limit: " << snapshot().dump();

    simmacctl({"level", "57"});
    EXPECT_TRUE(eventually([&] { return holds(57, "sailing"); })) << snapshot().dump();
    EXPECT_EQ(snapshot()["stateReason"], "航海区间 55%–60%");
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(holds(57, "sailing")) << "no charging within the band: " << snapshot().dump();

    simmacctl({"level", "54"});
    EXPECT_TRUE(eventually([&] { return snapshot()["state"] == "charging"; })) << snapshot().dump();
    EXPECT_TRUE(eventually([&] { return holds(60, "paused"); }, 60s)) << snapshot().dump();
}

INSTANTIATE_TEST_SUITE_P(Models, ChargeToLimitTest, ::testing::Values("legacy-laptop", "firmware-limit-laptop"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(DaemonEndToEndTest, TheHardwareIsHandedBackWhenTheAppQuitsAndTakenBackWhenItReturns)
{
    startMac("legacy-laptop");
    simmacctl({"plug"});
    simmacctl({"level", "50"});
    startDaemon();
    auto app = signedClient();
    app->request("perform " +
                 setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 20}, {"preserveWhenAppClosed", false}}));
    ASSERT_TRUE(eventually([&] { return smc("CH0I") == "01"; })) << "discharging to 20 %";

    app->quit();
    EXPECT_TRUE(eventually([&] { return smc("CH0I") == "00" && smc("CH0B") == "00" && smc("ACLC") == "00"; }));

    auto relaunched = signedClient();
    EXPECT_EQ(relaunched->request("snapshot")["data"]["state"], "discharging");
    EXPECT_EQ(smc("CH0I"), "01");
}

TEST_F(DaemonEndToEndTest, ChargingStopsBeforeSleepAndEverythingIsWrittenAfreshOnWake)
{
    startMac("legacy-laptop");
    simmacctl({"plug"});
    simmacctl({"level", "50"});
    startDaemon();
    auto app = signedClient();
    app->request("perform " + setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 80}}));
    ASSERT_TRUE(eventually([&] { return smc("CH0B") == "00" && smc("ACLC") == "04"; })) << "charging, LED orange";

    // simmac keeps every process running while the machine sleeps, so the
    // daemon's next pass allows charging again within a second; a watcher
    // reading the key as fast as it can sees the inhibit in between.
    std::atomic<bool> watching = true;
    std::atomic<bool> inhibited = false;
    std::thread watcher([&] {
        const smckit::SMCKit smc;
        while (watching && !inhibited) {
            inhibited = smc.readData("CH0B").at(0) == 0x02;
        }
    });
    simmacctl({"sleep"});
    EXPECT_TRUE(eventually([&] { return inhibited.load(); }, 5s)) << "charging was not stopped before the sleep";
    watching = false;
    watcher.join();

    // The LED is never read back: only forgetting what was written brings it back.
    simmacctl({"smc", "write", "ACLC", "00"});
    simmacctl({"wake"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "00" && smc("ACLC") == "04"; }));
    EXPECT_EQ(app->request("snapshot")["data"]["state"], "charging");
}

}  // namespace

TEST_F(DaemonEndToEndTest, TheDaemonLogsWhatItFoundAndEveryChangeOfChargingState)
{
    startMac("legacy-laptop");
    simmacctl({"plug"});
    simmacctl({"level", "70"});
    startDaemon({.environment = {{"TALLOWMERE_HELPER_BUILD", "4711"}, {"TALLOWMERE_APP_VERSION", "1.2.3"}}});
    auto client = signedClient();
    const auto state = [&] { return client->request("snapshot")["data"]["state"]; };
    ASSERT_TRUE(eventually([&] { return state() == "charging"; })) << daemon->log();

    const std::string start = daemon->log();
    const auto line = start.substr(start.find("VelkoraDaemon 1.2.3"), start.find('\n', start.find("VelkoraDaemon 1.2.3")) -
                                                                         start.find("VelkoraDaemon 1.2.3"));
    EXPECT_NE(line.find("VelkoraDaemon 1.2.3 (build 4711), protocol 10; charging by inhibit (CH0B/CH0C), adapter by "
                        "CH0I; capabilities {\"batteryPresent\":true,"),
              std::string::npos)
        << start;
    EXPECT_NE(line.find("; policy {\"managementEnabled\":"), std::string::npos) << line;
    EXPECT_NE(start.find(" info com.velkora.charging-helper:DaemonService Charging state unavailable -> charging"),
              std::string::npos)
        << start;

    ASSERT_TRUE(client->request("perform " + setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 70}}))["data"]
                    .is_object());
    ASSERT_TRUE(eventually([&] { return state() == "paused"; })) << daemon->log();
    simmacctl({"unplug"});
    ASSERT_TRUE(eventually([&] { return state() == "onBattery"; })) << daemon->log();
    const std::string log = daemon->log();
    EXPECT_NE(log.find("Charging state charging -> paused: "), std::string::npos) << log;
    EXPECT_NE(log.find("Charging state paused -> onBattery: "), std::string::npos) << log;
    EXPECT_EQ(log.find("Charging state paused -> paused"), std::string::npos);
}
