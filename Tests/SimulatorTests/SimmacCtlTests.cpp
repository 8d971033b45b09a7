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
        {{"smc", "erase"}, 2, ""},
        {{}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto result = simmac.simmacctl(c.command);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.errorOutput;
        if (!c.message.empty()) {
            EXPECT_EQ(result.errorOutput, c.message);
        } else {
            EXPECT_NE(result.errorOutput.find("usage: simmacctl"), std::string::npos);
        }
    }
    // Nothing of the failed commands took effect.
    EXPECT_EQ(statusOf(simmac)["model"], "firmware-limit-laptop");
    EXPECT_EQ(simmac.simmacctl({"smc", "read", "CH0B"}).output, "ui8 \t1\t00\n");
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
