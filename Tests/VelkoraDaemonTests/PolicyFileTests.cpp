#include "DaemonEndToEndTest.h"

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/IPC.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
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

// Whatever stands at the policy's name, the daemon starts at once with the
// default policy, says in its log which file it could not use and why, and
// keeps that file aside, so that the next save replaces nothing of it.
TEST_F(DaemonEndToEndTest, APolicyThatIsNoSmallRegularFileIsLoggedAndKeptAside)
{
    startMac("legacy-laptop");
    const std::filesystem::path policy = DaemonProcess::policyPath();
    const struct {
        const char* name;
        std::function<void()> make;
        const char* reason;
        std::filesystem::file_type keptAs;
    } unusable[] = {
        {"folder", [&] { std::filesystem::create_directories(policy / "inside"); }, "it is a folder",
         std::filesystem::file_type::directory},
        {"pipe nobody writes", [&] { ASSERT_EQ(mkfifo(policy.c_str(), 0600), 0); }, "it is a named pipe",
         std::filesystem::file_type::fifo},
        {"link to an endless device", [&] { std::filesystem::create_symlink("/dev/zero", policy); },
         "it is a symbolic link", std::filesystem::file_type::symlink},
        {"50 MB of garbage",
         [&] {
             std::ofstream garbage(policy, std::ios::binary);
             const std::string block(1 << 20, '\x7f');
             for (int index = 0; index < 50; ++index) {
                 garbage << block;
             }
         },
         "it holds 52428800 bytes, more than the 65536 it may", std::filesystem::file_type::regular},
        {"not a policy", [&] { std::ofstream(policy) << R"({"managementEnabled":"yes"})"; },
         "it does not hold a charge policy", std::filesystem::file_type::regular},
    };
    for (const auto& entry : unusable) {
        SCOPED_TRACE(entry.name);
        std::filesystem::create_directories(policy.parent_path());
        entry.make();
        startDaemon();
        auto client = signedClient();
        EXPECT_EQ(client->request("policy")["data"], defaultPolicyJson());
        EXPECT_LT(daemon->residentBytes(), std::size_t{100} << 20);
        const std::string log = daemon->log();
        const std::string line = "Cannot use \"" + policy.string() + "\": " + entry.reason;
        EXPECT_NE(log.find(line), std::string::npos) << log;

        std::vector<std::filesystem::path> aside;
        for (const auto& file : std::filesystem::directory_iterator(policy.parent_path())) {
            if (file.path().filename().string().starts_with("policy.json.unreadable-")) {
                aside.push_back(file.path());
            }
        }
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_NE(log.find("the file is kept as \"" + aside.front().string() + "\""), std::string::npos) << log;
        EXPECT_EQ(std::filesystem::symlink_status(aside.front()).type(), entry.keptAs);

        const auto saved = client->request("perform " + setPolicyCommand({{"managementEnabled", true},
                                                                          {"chargeLimit", 70}}));
        EXPECT_TRUE(saved["data"].is_object()) << saved.dump();
        EXPECT_EQ(std::filesystem::symlink_status(aside.front()).type(), entry.keptAs) << "the save left it alone";
        daemon.reset();
        std::filesystem::remove_all(aside.front());
        std::filesystem::remove(policy);
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
