#include "PowerEventMonitor.h"
#include "SimulatedMac.h"

#include <Foundation/RunLoop.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

namespace velkora {
namespace {

using namespace std::chrono_literals;

// The test's thread plays the daemon's main thread: it runs the main run loop
// while simmacctl, on another thread, puts the machine to sleep or wakes it.
class PowerEventMonitorTests : public ::testing::Test {
protected:
    // Runs simmacctl with `arguments` on another thread while serving the
    // main run loop here, until simmacctl is done and `settle` has passed.
    std::string serveWhile(const std::vector<std::string>& arguments, std::chrono::milliseconds settle = 100ms)
    {
        auto command = std::async(std::launch::async, [&] { return mac.control(arguments); });
        asio::io_context& runLoop = platform::RunLoop::main();
        while (command.wait_for(0s) != std::future_status::ready) {
            runLoop.restart();
            runLoop.run_for(10ms);
        }
        runLoop.restart();
        runLoop.run_for(settle);
        return command.get();
    }

    nlohmann::json clients() { return mac.status()["powerNotifications"]["clients"]; }

    SimulatedMac mac{"legacy-laptop"};
    int sleeps = 0;
    int wakes = 0;
    PowerEventMonitor monitor{[this] { ++sleeps; }, [this] { ++wakes; }};
};

TEST_F(PowerEventMonitorTests, ASleepRunsTheActionOnceAndIsAllowedAtOnce)
{
    monitor.start();
    const nlohmann::json sleep = nlohmann::json::parse(serveWhile({"sleep"}));
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(wakes, 0);

    // "can sleep" and "will sleep", both acknowledged by this process.
    const nlohmann::json& acknowledgements = sleep["acknowledgements"];
    ASSERT_EQ(acknowledgements.size(), 2u) << sleep.dump();
    for (const nlohmann::json& entry : acknowledgements) {
        EXPECT_EQ(entry["pid"], getpid());
        EXPECT_TRUE(entry["acknowledged"].get<bool>()) << entry.dump();
    }

    serveWhile({"wake"});
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(wakes, 1);
}

TEST_F(PowerEventMonitorTests, StartingTwiceRegistersOnceAndStoppingEndsTheRegistration)
{
    monitor.start();
    monitor.start();
    ASSERT_EQ(clients().size(), 1u);
    EXPECT_EQ(clients()[0]["pid"], getpid());

    monitor.stop();
    EXPECT_TRUE(clients().empty());
    serveWhile({"sleep"});
    EXPECT_EQ(sleeps, 0);

    // Started again after a stop, it hears the next wake.
    monitor.start();
    serveWhile({"wake"});
    EXPECT_EQ(sleeps, 0);
    EXPECT_EQ(wakes, 1);
}

TEST_F(PowerEventMonitorTests, DestroyingAMonitorEndsItsRegistration)
{
    {
        PowerEventMonitor second([] {}, [] {});
        second.start();
        EXPECT_EQ(clients().size(), 1u);
    }
    EXPECT_TRUE(clients().empty());

    PowerEventMonitor neverStarted([] {}, [] {});
    neverStarted.stop();
}

TEST(PowerEventMonitorWithoutSimmac, ARefusedRegistrationLeavesTheMonitorIdle)
{
    char pattern[] = "/tmp/no-simmac.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    setenv("SIMMAC_ROOT", pattern, 1);
    int actions = 0;
    {
        PowerEventMonitor monitor([&] { ++actions; }, [&] { ++actions; });
        monitor.start();
        monitor.stop();
    }
    EXPECT_EQ(actions, 0);
    std::filesystem::remove_all(pattern);
    unsetenv("SIMMAC_ROOT");
}

}  // namespace
}  // namespace velkora
