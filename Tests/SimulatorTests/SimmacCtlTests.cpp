#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

namespace {

nlohmann::ordered_json statusOf(const SimmacProcess& simmac)
{
    const auto result = simmac.simmacctl({"status"});
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    return nlohmann::ordered_json::parse(result.output);
}

}  // namespace

TEST(Simmacctl, StatusNamesTheModelAndCountsTheKeys)
{
    SimmacProcess simmac;
    EXPECT_TRUE(std::filesystem::is_socket(simmac.root() / "var/run/simmac.sock"));
    const auto status = statusOf(simmac);
    EXPECT_EQ(status["model"], "firmware-limit-laptop");
    EXPECT_EQ(status["smc"]["keys"], 59);
    EXPECT_TRUE(status["smc"]["faults"].empty());
}

TEST(Simmacctl, ReadListWriteAndFaultPrintWhatTheyDid)
{
    SimmacProcess simmac;
    struct Step {
        std::vector<std::string> command;
        std::string output;
    };
    const Step steps[] = {
        {{"smc", "read", "bfD0"}, "ui32\t4\t64000000\n"},
        {{"smc", "read", "ACLC"}, "ui8 \t1\t00\n"},
        {{"smc", "write", "bfD0", "50000000"}, ""},
        {{"smc", "read", "bfD0"}, "ui32\t4\t50000000\n"},
        {{"smc", "write", "B0AV", "30d4"}, ""},  // read-only to clients, not to the hardware itself
        {{"smc", "read", "B0AV"}, "ui16\t2\t30D4\n"},
        {{"smc", "fault", "CH0B", "refuse"}, ""},
    };
    for (const Step& step : steps) {
        const auto result = simmac.simmacctl(step.command);
        EXPECT_EQ(result.exitCode, 0) << step.command[1] << ": " << result.errorOutput;
        EXPECT_EQ(result.output, step.output) << step.command[1];
    }
    EXPECT_EQ(statusOf(simmac)["smc"]["faults"]["CH0B"], "refuse");

    const auto list = simmac.simmacctl({"smc", "list"});
    EXPECT_EQ(list.output.substr(0, list.output.find('\n')), "#KEY\tui32\t4\t0000003B");
    EXPECT_NE(list.output.find("\nbfD0\tui32\t4\t50000000\n"), std::string::npos);
}

TEST(Simmacctl, ErrorsSayWhatWentWrongAndExitNonZero)
{
    SimmacProcess simmac;
    struct Case {
        std::vector<std::string> command;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"smc", "read", "XXXX"}, 1, "simmacctl: unknown SMC key \"XXXX\"\n"},
        {{"smc", "read", "CH0"}, 1, "simmacctl: an SMC key must be four characters, got \"CH0\"\n"},
        {{"smc", "write", "CH0B", "0g"}, 1,
         "simmacctl: bad hex value \"0g\": use two hexadecimal digits per byte\n"},
        {{"smc", "write", "CH0B", "020"}, 1,
         "simmacctl: bad hex value \"020\": use two hexadecimal digits per byte\n"},
        {{"smc", "write", "CH0B", "0202"}, 1, "simmacctl: SMC key \"CH0B\" takes 1 byte, the value has 2\n"},
        {{"smc", "fault", "CH0B", "sometimes"}, 1,
         "simmacctl: unknown fault mode \"sometimes\" (use none, ignore-writes or refuse)\n"},
        {{"model", "toaster"}, 1,
         "simmacctl: unknown model \"toaster\" (available: chte-laptop, desktop, firmware-limit-laptop, "
         "legacy-laptop)\n"},
        {{"capture", "load", simmac.root().string()}, 1,
         "simmacctl: " + simmac.root().string() + " is a folder; give the file of an ioreg dump\n"},
        {{"capture", "load", (simmac.root() / "nothing.txt").string()}, 1,
         "simmacctl: " + (simmac.root() / "nothing.txt").string() + " does not exist\n"},
    };
    for (const Case& c : cases) {
        const auto result = simmac.simmacctl(c.command);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.errorOutput;
        EXPECT_EQ(result.errorOutput, c.message);
    }
    // Nothing of the failed commands took effect.
    EXPECT_EQ(statusOf(simmac)["model"], "firmware-limit-laptop");
    EXPECT_EQ(simmac.simmacctl({"smc", "read", "CH0B"}).output, "ui8 \t1\t00\n");
}

TEST(Simmacctl, UsageMistakesGetOneLineAndTheUsage)
{
    SimmacProcess simmac;
    struct Case {
        std::vector<std::string> command;
        std::string firstLine;
        std::string usage;
    };
    const Case cases[] = {
        {{}, "simmacctl: no command given", "usage: simmacctl COMMAND"},
        {{"--verbose"}, "simmacctl: unknown option '--verbose'", "usage: simmacctl COMMAND"},
        {{"reboot"}, "simmacctl: unknown command 'reboot'", "usage: simmacctl COMMAND"},
        {{"smc", "erase"}, "simmacctl: wrong arguments for 'smc'", "usage:\n  smc list "},
        {{"level"}, "simmacctl: wrong arguments for 'level'", "usage:\n  level PERCENT "},
    };
    for (const Case& c : cases) {
        const auto result = simmac.simmacctl(c.command);
        EXPECT_EQ(result.exitCode, 2) << c.firstLine;
        EXPECT_EQ(result.errorOutput.substr(0, result.errorOutput.find('\n')), c.firstLine);
        EXPECT_NE(result.errorOutput.find(c.usage), std::string::npos) << result.errorOutput;
        EXPECT_EQ(result.output, "");
    }
}

TEST(Simmacctl, HelpOfTheToolAndOfEachCommandGoesToStandardOutput)
{
    SimmacProcess simmac;
    const auto all = simmac.simmacctl({"--help"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.output.rfind("usage: simmacctl COMMAND", 0), 0u);
    for (const std::string command : {"status", "model", "smc", "register", "approve", "disapprove", "plug", "unplug", "level", "temperature",
                                      "load", "speed", "sleep", "wake", "os", "battery", "capture", "reduce-motion"}) {
        const auto one = simmac.simmacctl({command, "--help"});
        EXPECT_EQ(one.exitCode, 0) << command;
        EXPECT_EQ(one.output.rfind("  " + command, 0), 0u) << one.output;
        EXPECT_NE(all.output.find(one.output), std::string::npos) << "the tool's usage holds " << command << "'s";
    }
    EXPECT_EQ(simmac.simmacctl({"smc", "write", "--help"}).exitCode, 0) << "help wins over missing arguments";
}

TEST(Simmacctl, NumbersArePlainDecimalsWithinTheirRange)
{
    SimmacProcess simmac;
    struct Case {
        std::vector<std::string> command;
        std::string refusal;  // empty: accepted
    };
    const std::string percent = "simmacctl: PERCENT must be a plain decimal number from 0 to 100, got ";
    const Case cases[] = {
        {{"level", "1e2"}, percent + "\"1e2\""},
        {{"level", "50abc"}, percent + "\"50abc\""},
        {{"level", "-1"}, percent + "\"-1\""},
        {{"level", "101"}, percent + "\"101\""},
        {{"level", "0x10"}, percent + "\"0x10\""},
        {{"level", " 50"}, percent + "\" 50\""},
        {{"level", "nan"}, percent + "\"nan\""},
        {{"level", "42.0"}, ""},
        {{"temperature", "-41"}, "simmacctl: CELSIUS must be a plain decimal number from -40 to 100, got \"-41\""},
        {{"temperature", "-5"}, ""},
        {{"load", "501"}, "simmacctl: WATTS must be a plain decimal number from 0 to 500, got \"501\""},
        {{"plug", "0"}, "simmacctl: WATTS must be a plain decimal number from 1 to 250, got \"0\""},
        {{"speed", "1e6"}, "simmacctl: N must be a plain decimal number from 0 to 100000, got \"1e6\""},
    };
    for (const Case& c : cases) {
        const auto result = simmac.simmacctl(c.command);
        if (c.refusal.empty()) {
            EXPECT_EQ(result.exitCode, 0) << c.command[1] << ": " << result.errorOutput;
            continue;
        }
        EXPECT_EQ(result.exitCode, 2) << c.command[1];
        EXPECT_EQ(result.errorOutput.substr(0, result.errorOutput.find('\n')), c.refusal);
    }
    EXPECT_EQ(statusOf(simmac)["battery"]["level"], 42) << "only the accepted level took effect";
}

TEST(Simmacctl, ModelWithoutANameListsTheModels)
{
    SimmacProcess simmac;
    const auto result = simmac.simmacctl({"model"});
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    EXPECT_EQ(result.output, "chte-laptop\ndesktop\nfirmware-limit-laptop\nlegacy-laptop\n");
}

TEST(Simmacctl, SwitchingModelsAlsoResetsTheSpeedAndTheSleep)
{
    SimmacProcess::Options options;
    options.speed = 20;
    SimmacProcess simmac(options);
    ASSERT_EQ(simmac.simmacctl({"speed", "500"}).exitCode, 0);
    ASSERT_EQ(simmac.simmacctl({"sleep"}).exitCode, 0);
    ASSERT_EQ(statusOf(simmac)["powerNotifications"]["asleep"], true);

    ASSERT_EQ(simmac.simmacctl({"model", "legacy-laptop"}).exitCode, 0);
    const auto status = statusOf(simmac);
    EXPECT_EQ(status["battery"]["speed"], 20) << "back to the speed simmac started with";
    EXPECT_EQ(status["powerNotifications"]["asleep"], false);
    EXPECT_TRUE(status["powerNotifications"]["lastSleep"].is_null());
    EXPECT_EQ(simmac.simmacctl({"wake"}).errorOutput, "simmacctl: the machine is awake\n");
}

TEST(Simmacctl, SwitchingModelsResetsTheKeyTable)
{
    SimmacProcess simmac;
    ASSERT_EQ(simmac.simmacctl({"smc", "write", "CH0B", "02"}).exitCode, 0);
    ASSERT_EQ(simmac.simmacctl({"smc", "fault", "CH0C", "ignore-writes"}).exitCode, 0);

    const auto switched = simmac.simmacctl({"model", "legacy-laptop"});
    ASSERT_EQ(switched.exitCode, 0) << switched.errorOutput;
    const auto status = statusOf(simmac);
    EXPECT_EQ(status["model"], "legacy-laptop");
    EXPECT_TRUE(status["smc"]["faults"].empty());
    EXPECT_EQ(simmac.simmacctl({"smc", "read", "CH0B"}).output, "ui8 \t1\t00\n");
    EXPECT_EQ(simmac.simmacctl({"smc", "read", "CH0J"}).exitCode, 0);
    EXPECT_EQ(simmac.simmacctl({"smc", "read", "bfF0"}).exitCode, 1);
}

TEST(Simmacctl, WithoutSimmacItSaysSoAndFails)
{
    SimmacProcess simmac;
    simmac.stop();
    const auto result = simmac.simmacctl({"status"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errorOutput,
              "simmacctl: simmac is not running (no socket at " + simmac.socketPath().string() + ")\n");
}
