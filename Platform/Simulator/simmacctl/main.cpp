// simmacctl: drives the simulated Mac for people, scripts and tests.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Simulator/SimmacConnection.h"

namespace {

// One line (or a few) of the usage per command; `simmacctl COMMAND --help`
// prints the lines of that command.
struct CommandHelp {
    std::string_view name;
    std::string_view lines;
};

constexpr CommandHelp commands[] = {
    {"status", "  status                 the machine as JSON: model, SMC, OS, battery, power settings,\n"
               "                         held power assertions, power-notification clients\n"},
    {"model", "  model                  list the hardware models simmac knows\n"
              "  model NAME             switch to a hardware model: the SMC keys (and their faults), the\n"
              "                         battery, adapter, load and temperature, the OS version and the\n"
              "                         power settings become the model's, the speed goes back to the one\n"
              "                         simmac started with, a sleeping machine wakes and the record of the\n"
              "                         last sleep is cleared; approved background items, power assertions,\n"
              "                         power-notification clients and reduce-motion stay\n"},
    {"smc", "  smc list               every SMC key: code, type, size, hex value\n"
            "  smc read KEY           one key: type, size, hex value\n"
            "  smc write KEY HEX      set a key's bytes as the hardware would (a sensor key keeps them)\n"
            "  smc fault KEY MODE     how the SMC answers writes to KEY: none, ignore-writes, refuse\n"},
    {"register", "  register BUNDLE        register the background items of an application bundle (its\n"
                 "                         Contents/Library/LaunchDaemons), as the application's Install does\n"},
    {"approve", "  approve LABEL          approve a registered background item as the user would in Login Items;\n"
                "                         registrations and approvals outlive simmac, in $SIMMAC_ROOT/var/db/simmac\n"},
    {"disapprove", "  disapprove LABEL       turn a background item off again as the user would in Login Items:\n"
                   "                         its daemon stops and it waits for approval\n"},
    {"plug", "  plug [WATTS]           plug the adapter in: 1-250 W (default: the model's adapter)\n"},
    {"unplug", "  unplug                 pull the adapter out\n"},
    {"level", "  level PERCENT          set the battery's charge: 0-100\n"},
    {"temperature", "  temperature CELSIUS    set the battery's (and the room's) temperature: -40-100\n"},
    {"load", "  load WATTS             set what the computer draws: 0-500\n"},
    {"speed", "  speed N                let N simulated seconds of battery physics pass per second: 0-100000\n"},
    {"sleep", "  sleep                  put the machine to sleep, asking every registered process;\n"
              "                         prints who acknowledged\n"},
    {"wake", "  wake                   wake the machine\n"},
    {"os", "  os VERSION             set the operating system's version, for example 26.1\n"},
    {"battery", "  battery remove|insert  take the battery out or put it back\n"},
    {"capture", "  capture load FILE      take the battery from an ioreg dump of a real Mac's AppleSmartBattery\n"},
    {"reduce-motion", "  reduce-motion on|off   the accessibility setting that asks applications to reduce motion\n"},
};

constexpr std::string_view usageHeading = "usage: simmacctl COMMAND [ARGUMENT...]   (simmacctl COMMAND --help for one)\n";
constexpr std::string_view usageFooter = "simmac is found through $SIMMAC_ROOT.\n";

std::string usage()
{
    std::string text(usageHeading);
    for (const CommandHelp& command : commands) {
        text += command.lines;
    }
    return text + std::string(usageFooter);
}

const CommandHelp* commandNamed(std::string_view name)
{
    for (const CommandHelp& command : commands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

// A usage mistake: a one-line message, then the usage of the command (or of all).
struct UsageError {
    std::string message;
    const CommandHelp* command;
};

using Json = nlohmann::ordered_json;

// Well below the largest message simmac takes; a battery's entry is a few KB.
constexpr std::size_t maximumCaptureSize = 512 * 1024;

// One line per key, fields separated by tabs: a type such as "ui8 " keeps its
// trailing blank.
std::string keyLine(const Json& key, bool withCode)
{
    std::string line;
    if (withCode) {
        line += key["key"].get<std::string>() + "\t";
    }
    line += key["type"].get<std::string>() + "\t" + std::to_string(key["size"].get<unsigned>()) + "\t" +
            key["value"].get<std::string>();
    return line;
}

// A plain decimal argument ("50", "-5", "20.5") from `lowest` to `highest`;
// anything else (exponents, hexadecimal, trailing text, out of range) is a
// usage mistake that names the accepted range.
double number(const std::string& text, const char* what, double lowest, double highest, const CommandHelp* command)
{
    static const std::regex plainDecimal("-?[0-9]+(\\.[0-9]+)?");
    const auto range = [&] {
        std::ostringstream out;
        out << what << " must be a plain decimal number from " << lowest << " to " << highest << ", got \"" << text
            << "\"";
        return out.str();
    };
    if (!std::regex_match(text, plainDecimal)) {
        throw UsageError{range(), command};
    }
    const double value = std::strtod(text.c_str(), nullptr);
    if (!(value >= lowest && value <= highest)) {
        throw UsageError{range(), command};
    }
    return value;
}

// The bytes of an ioreg dump at `file`; throws SimmacError saying why not.
std::string readCapture(const std::filesystem::path& file)
{
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        throw simulator::SimmacError(file.string() + " is a folder; give the file of an ioreg dump");
    }
    if (!std::filesystem::exists(file, error)) {
        throw simulator::SimmacError(file.string() + " does not exist");
    }
    std::ifstream input(file, std::ios::binary);
    std::stringstream text;
    text << input.rdbuf();
    if (!input) {
        throw simulator::SimmacError("cannot read " + file.string());
    }
    if (text.str().size() > maximumCaptureSize) {
        throw simulator::SimmacError(file.string() + " is too large for an ioreg dump (" +
                                     std::to_string(text.str().size()) + " bytes)");
    }
    return text.str();
}

int run(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        throw UsageError{"no command given", nullptr};
    }
    if (arguments.front() == "help" || arguments.front() == "--help" || arguments.front() == "-h") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    const CommandHelp* command = commandNamed(arguments.front());
    if (command == nullptr) {
        throw UsageError{(arguments.front().starts_with('-') ? "unknown option '" : "unknown command '") +
                             arguments.front() + "'",
                         nullptr};
    }
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(command->lines.data(), stdout);
            return 0;
        }
    }
    const auto is = [&](std::initializer_list<std::string_view> words) {
        if (arguments.size() != words.size()) {
            return false;
        }
        std::size_t i = 0;
        for (const std::string_view word : words) {
            if (!word.empty() && arguments[i] != word) {
                return false;
            }
            ++i;
        }
        return true;
    };
    const auto numberAt = [&](std::size_t index, const char* what, double lowest, double highest) {
        return number(arguments[index], what, lowest, highest, command);
    };

    if (is({"status"})) {
        simulator::SimmacConnection simmac;
        std::printf("%s\n", simmac.request("status").dump(2).c_str());
    } else if (is({"model"})) {
        simulator::SimmacConnection simmac;
        const Json models = simmac.request("models");
        for (const Json& name : models["models"]) {
            std::printf("%s\n", name.get<std::string>().c_str());
        }
    } else if (is({"model", ""})) {
        simulator::SimmacConnection simmac;
        std::printf("%s\n", simmac.request("model", {{"name", arguments[1]}}).dump(2).c_str());
    } else if (is({"smc", "list"})) {
        simulator::SimmacConnection simmac;
        for (const Json& key : simmac.request("smc.list")) {
            std::printf("%s\n", keyLine(key, true).c_str());
        }
    } else if (is({"smc", "read", ""})) {
        simulator::SimmacConnection simmac;
        std::printf("%s\n", keyLine(simmac.request("smc.read", {{"key", arguments[2]}}), false).c_str());
    } else if (is({"smc", "write", "", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("smc.write", {{"key", arguments[2]}, {"value", arguments[3]}});
    } else if (is({"smc", "fault", "", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("smc.fault", {{"key", arguments[2]}, {"mode", arguments[3]}});
    } else if (is({"register", ""})) {
        const std::filesystem::path bundle = std::filesystem::absolute(arguments[1]);
        const std::filesystem::path folder = bundle / "Contents/Library/LaunchDaemons";
        std::vector<std::string> plists;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.is_regular_file() && entry.path().extension() == ".plist") {
                plists.push_back(entry.path().filename().string());
            }
        }
        if (plists.empty()) {
            throw std::runtime_error("no background item to register: " + folder.string() + " holds no property list");
        }
        std::sort(plists.begin(), plists.end());
        simulator::SimmacConnection simmac;
        for (const std::string& plist : plists) {
            const Json item = simmac.request("launchd.register", {{"bundle", bundle.string()}, {"plist", plist}});
            std::printf("%s\t%s\n", item["label"].get<std::string>().c_str(), item["status"].get<std::string>().c_str());
        }
    } else if (is({"approve", ""}) || is({"disapprove", ""})) {
        simulator::SimmacConnection simmac;
        const Json item = simmac.request("launchd." + arguments[0], {{"label", arguments[1]}});
        std::printf("%s\t%s\n", item["label"].get<std::string>().c_str(), item["status"].get<std::string>().c_str());
    } else if (is({"plug"}) || is({"plug", ""})) {
        Json plug = Json::object();
        if (arguments.size() == 2) {
            plug["watts"] = numberAt(1, "WATTS", 1, 250);
        }
        simulator::SimmacConnection simmac;
        simmac.request("battery.plug", plug);
    } else if (is({"unplug"})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.unplug");
    } else if (is({"level", ""})) {
        const double percent = numberAt(1, "PERCENT", 0, 100);
        simulator::SimmacConnection simmac;
        simmac.request("battery.level", {{"percent", percent}});
    } else if (is({"temperature", ""})) {
        const double celsius = numberAt(1, "CELSIUS", -40, 100);
        simulator::SimmacConnection simmac;
        simmac.request("battery.temperature", {{"celsius", celsius}});
    } else if (is({"load", ""})) {
        const double watts = numberAt(1, "WATTS", 0, 500);
        simulator::SimmacConnection simmac;
        simmac.request("battery.load", {{"watts", watts}});
    } else if (is({"speed", ""})) {
        const double factor = numberAt(1, "N", 0, 100000);
        simulator::SimmacConnection simmac;
        simmac.request("battery.speed", {{"factor", factor}});
    } else if (is({"battery", "remove"}) || is({"battery", "insert"})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery." + arguments[1]);
    } else if (is({"sleep"})) {
        simulator::SimmacConnection simmac;
        // Every process has a few seconds per message to acknowledge.
        std::printf("%s\n", simmac.request("pm.sleep", Json::object(), std::chrono::seconds(60)).dump(2).c_str());
    } else if (is({"wake"})) {
        simulator::SimmacConnection simmac;
        simmac.request("pm.wake");
    } else if (is({"os", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("os.set", {{"version", arguments[1]}});
    } else if (is({"capture", "load", ""})) {
        const std::filesystem::path file = arguments[2];
        const std::string text = readCapture(file);
        // Bytes that are not UTF-8 cannot travel in JSON; they become U+FFFD.
        const std::string sanitized =
            Json::parse(Json(text).dump(-1, ' ', false, Json::error_handler_t::replace)).get<std::string>();
        simulator::SimmacConnection simmac;
        const Json battery = simmac.request("battery.capture", {{"text", sanitized}, {"name", file.filename().string()}});
        if (const auto assumed = battery.find("assumed"); assumed != battery.end()) {
            for (const Json& assumption : *assumed) {
                std::fprintf(stderr, "simmacctl: assumed: %s\n", assumption.get<std::string>().c_str());
            }
        }
    } else if (is({"reduce-motion", "on"}) || is({"reduce-motion", "off"})) {
        simulator::SimmacConnection simmac;
        simmac.request("accessibility.set", {{"reduceMotion", arguments[1] == "on"}});
    } else {
        throw UsageError{"wrong arguments for '" + arguments.front() + "'", command};
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "simmacctl: %s\n", error.message.c_str());
        if (error.command != nullptr) {
            std::fprintf(stderr, "usage:\n%s", error.command->lines.data());
        } else {
            std::fputs(usage().c_str(), stderr);
        }
        return 2;
    } catch (const simulator::SimmacError& error) {
        std::fprintf(stderr, "simmacctl: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "simmacctl: unexpected answer from simmac: %s\n", error.what());
        return 1;
    }
}
