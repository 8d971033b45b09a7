#include "DaemonEndToEndTest.h"

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/IPC.h>

#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace {

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream input(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
}

nlohmann::json defaultPolicyJson()
{
    const auto bytes = velkora::IPC::encode(velkora::ChargePolicy::defaultPolicy());
    return nlohmann::json::parse(bytes.begin(), bytes.end());
}

TEST_F(DaemonEndToEndTest, AnUnusablePolicyFileGivesTheDefaultPolicy)
{
    startMac("legacy-laptop");
    const struct {
        const char* name;
        const char* contents;
    } files[] = {
        {"corrupt", R"({"managementEnabled":true,"chargeLim)"},
        {"empty", ""},
        {"array", R"([{"managementEnabled":true,"chargeLimit":60}])"},
        {"missing key", R"({"managementEnabled":true,"chargeLimit":60,"automaticDischarge":false,)"
                        R"("sailingEnabled":true,"sailingDelta":5,"heatProtectionEnabled":false,)"
                        R"("heatLimitCelsius":40,"useHardwarePercentage":false,"preserveWhenAppClosed":true,)"
                        R"("stopChargingBeforeSleep":true,"preventSleepUntilLimit":false})"},
    };
    for (const auto& file : files) {
        std::filesystem::create_directories(DaemonProcess::policyPath().parent_path());
        std::ofstream(DaemonProcess::policyPath(), std::ios::binary | std::ios::trunc) << file.contents;
        startDaemon();
        auto client = signedClient();
        EXPECT_EQ(client->request("policy")["data"], defaultPolicyJson()) << file.name;
        daemon.reset();
    }
}

// Policies saved while the daemon is killed at random moments: whatever the
// moment, the file holds one whole policy, and the next daemon loads it.
TEST_F(DaemonEndToEndTest, APolicyFileSurvivesTheDaemonBeingKilledWhileSaving)
{
    startMac("legacy-laptop");
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> killAfterMicroseconds(0, 30000);
    int interruptedStorms = 0;
    for (int round = 0; round < 25; ++round) {
        startDaemon();
        auto client = signedClient();
        ASSERT_TRUE(client->request("ping").contains("text")) << "round " << round;
        client->send("storm 400");
        std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicroseconds(random)));
        daemon->stop(SIGKILL);
        const auto storm = client->answer();
        interruptedStorms += storm["failed"].get<int>() > 0 ? 1 : 0;
        if (std::filesystem::exists(DaemonProcess::policyPath())) {
            const auto bytes = readFile(DaemonProcess::policyPath());
            EXPECT_NO_THROW(velkora::IPC::decode<velkora::ChargePolicy>(bytes))
                << "round " << round << ": " << std::string(bytes.begin(), bytes.end());
        }
    }
    EXPECT_GT(interruptedStorms, 0) << "no kill landed while commands were under way";

    ASSERT_TRUE(std::filesystem::exists(DaemonProcess::policyPath()));
    const auto stored = velkora::IPC::decode<velkora::ChargePolicy>(readFile(DaemonProcess::policyPath()));
    startDaemon();
    auto client = signedClient();
    const auto served = client->request("policy")["data"];
    EXPECT_EQ(served["chargeLimit"], stored.chargeLimit);
    EXPECT_EQ(served["managementEnabled"], true);
    for (const auto& entry : std::filesystem::directory_iterator(DaemonProcess::policyPath().parent_path())) {
        EXPECT_EQ(entry.path().filename(), "policy.json") << "left behind: " << entry.path();
    }
}

}  // namespace
