// The limit held while the application is closed: the daemon installed as
// the bundle installs it, with the bundle's own launchd property list, and
// started by simmac's launchd alone. No application runs and no client ever
// connects.
#include "DaemonEndToEndTest.h"

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/IPC.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string helperLabel = "com.velkora.charging-helper";
const std::string propertyListName = "com.velkora.charging-helper.plist";
// The bundle's throttle between two starts of the daemon.
constexpr auto throttle = 2s;
// What a start may take beyond the throttle on a loaded machine.
constexpr auto startSlack = 3s;

class ClosedApplicationTest : public DaemonEndToEndTest {
protected:
    void SetUp() override
    {
        startMac("firmware-limit-laptop");
        simmacctl({"plug"});
    }

    fs::path bundle() const { return simmac->root() / "Applications/Tallowmere.app"; }

    // The user set `limit` in an earlier session, installed the helper and
    // approved it; then quit the application.
    void installHelperHolding(std::int64_t limit) const
    {
        velkora::ChargePolicy policy = velkora::ChargePolicy::defaultPolicy();
        policy.managementEnabled = true;
        policy.chargeLimit = limit;
        policy.preserveWhenAppClosed = true;
        const std::vector<std::uint8_t> stored = velkora::IPC::encode(policy);
        fs::create_directories(DaemonProcess::policyPath().parent_path());
        std::ofstream(DaemonProcess::policyPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(stored.data()), static_cast<std::streamsize>(stored.size()));

        const fs::path daemons = bundle() / "Contents/Library/LaunchDaemons";
        fs::create_directories(daemons);
        fs::copy_file(VELKORA_DAEMON_EXECUTABLE, daemons / "VelkoraDaemon");
        fs::copy_file(HELPER_PROPERTY_LIST, daemons / propertyListName);
        simmac->request("launchd.register", {{"bundle", bundle().string()}, {"plist", propertyListName}});
        simmacctl({"approve", helperLabel});
    }

    std::optional<pid_t> daemonProcess() const
    {
        const nlohmann::ordered_json status = simmac->status();
        for (const auto& job : status["launchd"]["jobs"]) {
            if (job["label"] == helperLabel && !job["pid"].is_null()) {
                return job["pid"].get<pid_t>();
            }
        }
        return std::nullopt;
    }

    // A daemon other than `earlier` runs.
    bool newDaemonRuns(pid_t earlier) const { return daemonProcess().value_or(earlier) != earlier; }

    double level() const { return simmac->status()["battery"]["level"].get<double>(); }
    bool adapterHeldOff() const { return smc("CHIE") == "08"; }
    // The firmware keeps the charge between limit - 1 and limit.
    bool firmwareHolds(int limit) const
    {
        char upper[16];
        std::snprintf(upper, sizeof upper, "%02X000000", limit);
        return smc("bfF0") == "02" && smc("bfD0") == upper;
    }
};

TEST_F(ClosedApplicationTest, ApprovalAloneStartsTheDaemonAndTheStoredLimitIsHeld)
{
    simmacctl({"level", "75"});
    installHelperHolding(60);
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 10s)) << "the approval starts it";
    EXPECT_TRUE(eventually([&] { return adapterHeldOff() && firmwareHolds(60); }))
        << "above the limit it runs the battery down to it";

    simmacctl({"level", "60"});
    EXPECT_TRUE(eventually([&] { return !adapterHeldOff(); })) << "at the limit the adapter runs the Mac again";
    simmacctl({"speed", "30"});
    for (int sample = 0; sample < 30; ++sample) {
        std::this_thread::sleep_for(100ms);
        const double now = level();
        ASSERT_GE(now, 58) << "sample " << sample;
        ASSERT_LE(now, 61) << "sample " << sample;
    }
}

TEST_F(ClosedApplicationTest, ADaemonKilledWhileTheAdapterIsOffIsStartedAgainWithinTheThrottleAndTheBatteryStopsAtTheLimit)
{
    simmacctl({"level", "62"});
    installHelperHolding(60);
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value() && adapterHeldOff(); }));
    // About 3 s for each percent.
    simmacctl({"speed", "30"});
    ASSERT_TRUE(eventually([&] { return level() <= 61; }));
    ASSERT_TRUE(adapterHeldOff());

    // Killed after a long run it is started again at once; killed again
    // straight after its start, the next start waits for the throttle.
    const pid_t first = *daemonProcess();
    ASSERT_EQ(::kill(first, SIGKILL), 0);
    ASSERT_TRUE(eventually([&] { return newDaemonRuns(first); }, throttle + startSlack));
    const pid_t second = *daemonProcess();
    ASSERT_EQ(::kill(second, SIGKILL), 0);
    ASSERT_TRUE(eventually([&] { return newDaemonRuns(second); }, throttle + startSlack));

    double lowest = level();
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < until) {
        lowest = std::min(lowest, level());
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_GE(lowest, 58) << "never more than 2 % below the limit";
    EXPECT_FALSE(adapterHeldOff()) << "the new daemon switched the adapter back on";
    EXPECT_TRUE(firmwareHolds(60));
    EXPECT_GE(level(), 58);
}

TEST_F(ClosedApplicationTest, ARestartedMacStartsTheDaemonAgainWhichHoldsTheLimit)
{
    simmacctl({"level", "50"});
    installHelperHolding(60);
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value() && firmwareHolds(60); }));
    const pid_t before = *daemonProcess();

    simmac->stop();
    EXPECT_EQ(::kill(before, 0), -1) << "the daemon ends with the machine";
    simmac->start();
    // The machine comes back as its model describes it: the SMC's keys at
    // their defaults and the battery at 80 %, above the limit.
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 10s));
    EXPECT_TRUE(eventually([&] { return adapterHeldOff() && firmwareHolds(60); }));
    simmacctl({"level", "60"});
    EXPECT_TRUE(eventually([&] { return !adapterHeldOff(); }));
}

}  // namespace
