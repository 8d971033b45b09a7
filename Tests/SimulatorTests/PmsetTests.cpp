#include <gtest/gtest.h>

#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

namespace {

SimmacProcess::CommandResult pmset(const SimmacProcess& simmac, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), (simmac.root() / "usr/bin/pmset").string());
    return simmac.run(arguments);
}

}  // namespace

TEST(Pmset, ShowsThePowerModePerSourceOnlyOnModelsThatHaveOne)
{
    SimmacProcess simmac;
    auto shown = pmset(simmac, {"-g", "custom"});
    ASSERT_EQ(shown.exitCode, 0) << shown.errorOutput;
    EXPECT_TRUE(shown.output.starts_with("Battery Power:\n"));
    EXPECT_NE(shown.output.find("\nAC Power:\n"), std::string::npos);
    EXPECT_NE(shown.output.find(" powermode            0\nAC Power:"), std::string::npos);

    EXPECT_EQ(pmset(simmac, {"-c", "powermode", "2"}).exitCode, 0);
    EXPECT_EQ(pmset(simmac, {"-b", "powermode", "1"}).exitCode, 0);
    shown = pmset(simmac, {"-g", "custom"});
    EXPECT_NE(shown.output.find(" powermode            1\nAC Power:"), std::string::npos);
    EXPECT_TRUE(shown.output.ends_with(" powermode            2\n"));
    // Low power on battery, and the adapter is in use.
    EXPECT_EQ(simmac.status()["powerSettings"]["lowPowerMode"], false);
    simmac.simmacctl({"unplug"});
    EXPECT_EQ(simmac.status()["powerSettings"]["lowPowerMode"], true);

    SimmacProcess legacy(SimmacProcess::withModel("legacy-laptop"));
    const auto withoutMode = pmset(legacy, {"-g", "custom"});
    EXPECT_EQ(withoutMode.exitCode, 0);
    EXPECT_EQ(withoutMode.output.find("powermode"), std::string::npos);
}

TEST(Pmset, RefusesWhatItCannotDoWithOneLineAndExitStatus1)
{
    SimmacProcess simmac;
    SimmacProcess legacy(SimmacProcess::withModel("legacy-laptop"));
    struct Case {
        const SimmacProcess* machine;
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {&simmac, {"-b", "powermode", "3"},
         "pmset: powermode must be 0 (automatic), 1 (low power) or 2 (high power), got \"3\"\n"},
        {&simmac, {"-c", "powermode", "-1"},
         "pmset: powermode must be 0 (automatic), 1 (low power) or 2 (high power), got \"-1\"\n"},
        {&simmac, {"-a", "powermode", "1"},
         "pmset: unknown arguments \"-a powermode 1\"\nusage: pmset -g custom | pmset -b|-c powermode 0|1|2 | pmset --help\n"},
        {&simmac, {}, "pmset: no arguments given\nusage: pmset -g custom | pmset -b|-c powermode 0|1|2 | pmset --help\n"},
        {&legacy, {"-b", "powermode", "1"}, "pmset: this Mac has no power mode setting\n"},
    };
    for (const Case& c : cases) {
        const auto result = pmset(*c.machine, c.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.errorOutput, c.message);
        EXPECT_TRUE(result.output.empty());
    }

    legacy.stop();
    const auto gone = pmset(legacy, {"-g", "custom"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_TRUE(gone.errorOutput.starts_with("pmset: simmac is not running")) << gone.errorOutput;
}
