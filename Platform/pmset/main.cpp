// pmset: the simulated Mac's power-management settings tool, installed as
// $SIMMAC_ROOT/usr/bin/pmset. It shows the settings per power source and sets
// the power mode, which simmac keeps:
//   pmset -g custom
//   pmset -b|-c powermode 0|1|2      (battery | charger; root only)
// Failures print one line on stderr and exit 1.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Simulator/SimmacConnection.h"

namespace {

constexpr const char* usage = "usage: pmset -g custom | pmset -b|-c powermode 0|1|2 | pmset --help";

int fail(const std::string& message)
{
    std::fprintf(stderr, "pmset: %s\n", message.c_str());
    return 1;
}

void printSettings(const nlohmann::ordered_json& settings)
{
    for (const auto& [source, values] : settings.items()) {
        std::printf("%s:\n", source.c_str());
        for (const auto& [name, value] : values.items()) {
            const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
            std::printf(" %-20s %s\n", name.c_str(), text.c_str());
        }
    }
}

int run(const std::vector<std::string_view>& arguments)
{
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::printf("%s\n"
                    "  -g custom                 the settings of each power source\n"
                    "  -b|-c powermode 0|1|2     the power mode on battery | charger (root only):\n"
                    "                            0 automatic, 1 low power, 2 high power\n",
                    usage);
        return 0;
    }
    if (arguments.size() == 2 && arguments[0] == "-g" && arguments[1] == "custom") {
        simulator::SimmacConnection simmac;
        printSettings(simmac.request("pm.settings"));
        return 0;
    }
    if (arguments.size() == 3 && (arguments[0] == "-b" || arguments[0] == "-c") && arguments[1] == "powermode") {
        const std::string_view mode = arguments[2];
        if (mode != "0" && mode != "1" && mode != "2") {
            return fail("powermode must be 0 (automatic), 1 (low power) or 2 (high power), got \"" +
                        std::string(mode) + "\"");
        }
        simulator::SimmacConnection simmac;
        simmac.request("pm.setPowerMode",
                       {{"source", arguments[0] == "-b" ? "battery" : "adapter"}, {"mode", mode[0] - '0'}});
        return 0;
    }
    std::string given;
    for (const std::string_view argument : arguments) {
        given += (given.empty() ? "" : " ") + std::string(argument);
    }
    const std::string problem = given.empty() ? std::string("no arguments given") : "unknown arguments \"" + given + "\"";
    std::fprintf(stderr, "pmset: %s\n%s\n", problem.c_str(), usage);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const simulator::SimmacError& error) {
        return fail(error.what());
    } catch (const std::exception& error) {
        return fail(std::string("unexpected answer from simmac: ") + error.what());
    }
}
