#include "DaemonEndToEndTest.h"

#include <csignal>
#include <string>

// The simulated Mac restarts, as a kernel driver's user client can be
// terminated, or stops answering altogether. The daemon says what is wrong
// (the system does not respond, not that the firmware refused a write),
// keeps answering status requests from its last reading, and once the Mac is
// back opens its connection again and holds the limit as before.
namespace {

using namespace std::chrono_literals;

class SimulatedMacFaultTest : public DaemonEndToEndTest {
protected:
    void SetUp() override
    {
        startMac("legacy-laptop");
        simmacctl({"plug"});
        simmacctl({"level", "70"});
        startDaemon();
        owner = signedClient();
        ASSERT_TRUE(owner
                        ->request("perform " + setPolicyCommand({{"managementEnabled", true},
                                                                 {"chargeLimit", 60},
                                                                 {"preserveWhenAppClosed", true}}))["data"]
                        .is_object());
        ASSERT_TRUE(eventually([&] { return smc("CH0B") == "02"; })) << "charging inhibited above the limit";
    }

    // The daemon's status, which must come within `patience` whatever the Mac does.
    nlohmann::json status(std::chrono::milliseconds patience = 3s) { return owner->request("snapshot", patience)["data"]; }

    bool showsNoResponse()
    {
        const nlohmann::json shown = status();
        return shown["state"] == "error" && shown["stateReason"].get<std::string>().find("没有响应") != std::string::npos;
    }

    std::unique_ptr<ClientProcess> owner;
};

TEST_F(SimulatedMacFaultTest, AfterARestartTheFailureIsNamedAndTheSMCIsOpenedAgainAndEnforced)
{
    const std::filesystem::path root = simmac->root();
    simmac->stop();
    EXPECT_TRUE(eventually([&] { return showsNoResponse(); })) << status().dump();
    EXPECT_EQ(status()["battery"]["percentage"], 70) << "the last reading stays on show";

    testsupport::SimmacProcess::Options options;
    options.model = "legacy-laptop";
    options.root = root;
    if (geteuid() != 0) {
        options.privilegedUid = geteuid();
    }
    testsupport::SimmacProcess restarted(options);
    simmacctl({"plug"});
    simmacctl({"level", "70"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "02"; })) << daemon->log();
    EXPECT_TRUE(eventually([&] { return status()["state"] != "error"; })) << status().dump();
    simmacctl({"level", "50"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "00"; })) << "charging allowed below the window";

    const std::string log = daemon->log();
    EXPECT_NE(log.find("没有响应"), std::string::npos) << log;
    EXPECT_NE(log.find("The SMC connection was opened again"), std::string::npos) << log;
    EXPECT_EQ(log.find("被固件拒绝"), std::string::npos) << "a restart is no refusal of the firmware\n" << log;
}

TEST_F(SimulatedMacFaultTest, WhileTheMacIsStoppedStatusIsAnsweredFromTheLastReadingWithTheFailure)
{
    ASSERT_EQ(::kill(simmac->pid(), SIGSTOP), 0);
    struct Resume {
        pid_t pid;
        ~Resume() { ::kill(pid, SIGCONT); }
    } resume{simmac->pid()};
    EXPECT_TRUE(eventually([&] { return showsNoResponse(); }, 20s));
    // Each of these is answered within its patience while passes keep failing.
    for (int request = 0; request < 5; ++request) {
        const nlohmann::json shown = status();
        EXPECT_EQ(shown["state"], "error") << shown.dump();
        EXPECT_EQ(shown["battery"]["percentage"], 70) << shown.dump();
    }

    ASSERT_EQ(::kill(simmac->pid(), SIGCONT), 0);
    EXPECT_TRUE(eventually([&] { return status()["state"] != "error"; })) << daemon->log();
    simmacctl({"level", "50"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "00"; })) << daemon->log();
    simmacctl({"level", "70"});
    EXPECT_TRUE(eventually([&] { return smc("CH0B") == "02"; })) << daemon->log();
}

}  // namespace
