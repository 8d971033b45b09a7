#include "DaemonEndToEndTest.h"

#include <cctype>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// Unsigned code tries to have a policy of its own applied by handing its
// connection to the signed application's code, or by running inside it.
// Each way is tried many times, several at once, against one daemon; none
// may get a request served, and the policy the application set stays.
namespace {

using namespace std::chrono_literals;

constexpr int tries = 200;
constexpr int atOnce = 20;

class CallerIdentityTest : public DaemonEndToEndTest {
protected:
    void SetUp() override
    {
        startMac("legacy-laptop");
        startDaemon();
        owner = signedClient();
        const auto reply = owner->request("perform " + setPolicyCommand({{"managementEnabled", true},
                                                                          {"chargeLimit", 60},
                                                                          {"preserveWhenAppClosed", true}}));
        ASSERT_TRUE(reply["data"].is_object()) << reply.dump();
    }

    static std::string attackersPolicy()
    {
        return setPolicyCommand({{"managementEnabled", true}, {"chargeLimit", 37}, {"preserveWhenAppClosed", true}});
    }

    static std::filesystem::path signedProgram()
    {
        return std::filesystem::path(CLIENT_BUNDLE) / "Contents/MacOS/DaemonTestClient";
    }

    // Starts `tries` attempts, `atOnce` at a time; each batch is judged once all of it runs.
    void attempt(const std::function<std::unique_ptr<ClientProcess>()>& start,
                 const std::function<void(ClientProcess&)>& judge)
    {
        for (int started = 0; started < tries && !HasFailure(); started += atOnce) {
            std::vector<std::unique_ptr<ClientProcess>> batch;
            for (int index = 0; index < atOnce; ++index) {
                batch.push_back(start());
            }
            for (const auto& process : batch) {
                judge(*process);
            }
        }
    }

    // Whether the daemon logged that it turned away or closed a connection of `pid`.
    bool daemonTurnedAway(pid_t pid) const
    {
        const std::string log = daemon->log();
        const std::string mark = "pid " + std::to_string(pid);
        for (auto found = log.find(mark); found != std::string::npos; found = log.find(mark, found + 1)) {
            const std::size_t after = found + mark.size();
            if (after == log.size() || !std::isdigit(static_cast<unsigned char>(log[after]))) {
                return true;
            }
        }
        return false;
    }

    void expectThePolicyOfTheApplication()
    {
        const auto policy = owner->request("policy");
        EXPECT_EQ(policy["data"]["chargeLimit"], 60) << policy.dump();
        std::ifstream file(DaemonProcess::policyPath());
        const std::string stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_NE(stored.find("\"chargeLimit\":60"), std::string::npos) << stored;
    }

    std::unique_ptr<ClientProcess> owner;
};

TEST_F(CallerIdentityTest, BytesSentBeforeExecingTheApplicationAreNeverServed)
{
    attempt(
        [] {
            return std::make_unique<ClientProcess>(
                ATTACKER_EXECUTABLE, std::vector<std::string>{"send-then-exec", signedProgram(), attackersPolicy()});
        },
        [this](ClientProcess& attacker) {
            EXPECT_TRUE(eventually([&] { return daemonTurnedAway(attacker.pid()); }, 10s))
                << "the connection of pid " << attacker.pid() << " is still open\n"
                << daemon->log();
        });
    expectThePolicyOfTheApplication();
}

TEST_F(CallerIdentityTest, AForkedChildOfAProcessThatBecameTheApplicationIsNeverServed)
{
    int greeted = 0;
    attempt(
        [] {
            return std::make_unique<ClientProcess>(
                ATTACKER_EXECUTABLE, std::vector<std::string>{"fork-then-exec", signedProgram(), attackersPolicy()});
        },
        [&](ClientProcess& attacker) {
            const std::string outcome = attacker.readLine(20s);
            EXPECT_NE(outcome, "served");
            greeted += outcome == "refused greeted" ? 1 : 0;
        });
    std::cout << greeted << " of " << tries << " children were greeted (their parent passed the check) and then cut off\n";
    expectThePolicyOfTheApplication();
}

TEST_F(CallerIdentityTest, CodeInjectedIntoTheApplicationIsNeverServed)
{
    attempt(
        [] {
            return std::make_unique<ClientProcess>(
                signedProgram(), std::vector<std::string>{},
                std::vector<std::string>{std::string("LD_PRELOAD=") + INJECTED_LIBRARY,
                                         "VELKORA_INJECTED_COMMAND=" + attackersPolicy()});
        },
        [](ClientProcess& injected) {
            EXPECT_EQ(injected.readLine(20s), "injected refused");
            // The application's own requests are not served either while foreign code runs in it.
            EXPECT_TRUE(injected.request("ping", 20s).contains("error"));
        });
    expectThePolicyOfTheApplication();
}

}  // namespace
