#include "SimulatedMac.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace velkora {
namespace {

// Puts a power-management tool of the test's own in place of the simulated
// Mac's: it records its arguments one per line, writes `errorOutput` to its
// standard error, `output` to its standard output, and exits with `status`.
class ScriptedTool {
public:
    explicit ScriptedTool(const std::filesystem::path& root)
        : path_(root / "usr/bin/pmset"), arguments_(root / "pmset.arguments")
    {
    }

    void install(int status, const std::string& errorOutput, const std::string& output = "") const
    {
        std::filesystem::create_directories(path_.parent_path());
        std::filesystem::remove(path_);
        std::ofstream script(path_);
        script << "#!/bin/sh\n"
               << "for argument in \"$@\"; do echo \"$argument\"; done > '" << arguments_.string() << "'\n"
               << "printf '" << escaped(output) << "'\n"
               << "printf '" << escaped(errorOutput) << "' >&2\n"
               << "exit " << status << "\n";
        script.close();
        ::chmod(path_.c_str(), 0755);
    }

    void remove() const { std::filesystem::remove(path_); }

    std::vector<std::string> arguments() const
    {
        std::ifstream input(arguments_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(input, line);) {
            lines.push_back(line);
        }
        return lines;
    }

private:
    // Every byte as an octal escape, so that any bytes survive printf.
    static std::string escaped(const std::string& bytes)
    {
        std::ostringstream text;
        for (const unsigned char byte : bytes) {
            text << '\\' << std::oct << static_cast<int>(byte);
        }
        return text.str();
    }

    std::filesystem::path path_;
    std::filesystem::path arguments_;
};

TEST(PowerModeTests, TheToolGetsTheSourceFlagAndTheModeNumberAndItsErrorOutputIsTheFailure)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    const ScriptedTool tool(mac.simmac().root());
    struct Case {
        PowerSourceKind source;
        PowerMode mode;
        int status;
        std::string errorOutput;
        std::vector<std::string> arguments;
        // The failure's text; nothing for success.
        std::optional<std::string> failure;
    };
    const std::vector<Case> cases{
        {PowerSourceKind::adapter, PowerMode::high, 0, "", {"-c", "powermode", "2"}, std::nullopt},
        {PowerSourceKind::battery, PowerMode::automatic, 0, "ignored\n", {"-b", "powermode", "0"}, std::nullopt},
        {PowerSourceKind::battery, PowerMode::low, 1, "pmset: 无法设置\n", {"-b", "powermode", "1"},
         "pmset: 无法设置\n"},
        {PowerSourceKind::adapter, PowerMode::low, 1, "", {"-c", "powermode", "1"}, ""},
        {PowerSourceKind::adapter, PowerMode::high, 3, "bad \xFF\xFE bytes", {"-c", "powermode", "2"},
         "pmset 执行失败"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.arguments[0] + " " + item.arguments[2] + " exit " + std::to_string(item.status));
        tool.install(item.status, item.errorOutput);
        std::optional<std::string> failure;
        try {
            controller->setPowerMode(item.source, item.mode);
        } catch (const HardwareError& error) {
            EXPECT_EQ(error.kind(), HardwareError::Kind::commandFailed);
            failure = error.errorDescription();
        }
        EXPECT_EQ(tool.arguments(), item.arguments);
        EXPECT_EQ(failure, item.failure);
    }

    tool.remove();
    EXPECT_THROW(controller->setPowerMode(PowerSourceKind::battery, PowerMode::low), std::system_error);
}

TEST(PowerModeTests, TheSimulatedMacsToolKeepsTheModeOrSaysWhyNot)
{
    SimulatedMac withPowerMode("firmware-limit-laptop");
    withPowerMode.makeController()->setPowerMode(PowerSourceKind::adapter, PowerMode::high);
    EXPECT_EQ(withPowerMode.status()["powerSettings"]["adapter"], 2);

    SimulatedMac without("legacy-laptop");
    try {
        without.makeController()->setPowerMode(PowerSourceKind::battery, PowerMode::low);
        ADD_FAILURE() << "no failure";
    } catch (const HardwareError& error) {
        EXPECT_EQ(error.errorDescription(), "pmset: this Mac has no power mode setting\n");
    }
}

TEST(PowerModeTests, HighPowerModeIsOfferedWhenTheToolsSettingsMentionIt)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    const ScriptedTool tool(mac.simmac().root());
    struct Case {
        std::string output;
        int status;
        bool offered;
    };
    const std::vector<Case> cases{
        {"AC Power:\n powermode            0\n", 0, true},
        {"xpowermodes\n", 1, true},
        {"Battery Power:\n lowpowermode 0\n", 0, true},
        {"Battery Power:\n sleep 1\n", 0, false},
        {"PowerMode 1\n", 0, false},
        {"powermode \xFF\n", 0, false},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.output);
        tool.install(item.status, "", item.output);
        controller->refreshCapabilities();
        EXPECT_EQ(controller->capabilities().highPowerMode, item.offered);
        EXPECT_EQ(tool.arguments(), (std::vector<std::string>{"-g", "custom"}));
    }
    tool.remove();
    controller->refreshCapabilities();
    EXPECT_FALSE(controller->capabilities().highPowerMode);
    EXPECT_TRUE(controller->capabilities().batteryPresent);
}

}  // namespace
}  // namespace velkora
