// simmacctl: drives the simulated Mac for people, scripts and tests.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Simulator/SimmacConnection.h"

namespace {

constexpr const char* usage =
    "usage: simmacctl COMMAND\n"
    "  status                 the machine as JSON: model, SMC, OS, battery, power settings,\n"
    "                         held power assertions, power-notification clients\n"
    "  model NAME             switch to a hardware model (resets every part of the machine)\n"
    "  smc list               every SMC key: code, type, size, hex value\n"
    "  smc read KEY           one key: type, size, hex value\n"
    "  smc write KEY HEX      set a key's bytes as the hardware would (a sensor key keeps them)\n"
    "  smc fault KEY MODE     how the SMC answers writes to KEY: none, ignore-writes, refuse\n"
    "  approve LABEL          approve a registered background item as the user would in Login Items\n"
    "  plug [WATTS]           plug the adapter in (default: the model's adapter)\n"
    "  unplug                 pull the adapter out\n"
    "  level PERCENT          set the battery's charge, 0-100\n"
    "  temperature CELSIUS    set the battery's (and the room's) temperature\n"
    "  load WATTS             set what the computer draws\n"
    "  speed N                let N simulated seconds of battery physics pass per second\n"
    "  sleep                  put the machine to sleep, asking every registered process;\n"
    "                         prints who acknowledged\n"
    "  wake                   wake the machine\n"
    "  os VERSION             set the operating system's version, for example 26.1\n"
    "  battery remove|insert  take the battery out or put it back\n"
    "  capture load FILE      take the battery from an ioreg dump of a real Mac's AppleSmartBattery\n"
    "  reduce-motion on|off   the accessibility setting that asks applications to reduce motion\n"
    "simmac is found through $SIMMAC_ROOT.\n";

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

// A number argument; throws SimmacError naming `what` otherwise.
double number(const std::string& text, const char* what)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        throw simulator::SimmacError(std::string(what) + " must be a number, got \"" + text + "\"");
    }
    return value;
}

int run(const std::vector<std::string>& arguments)
{
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

    if (is({"status"})) {
        simulator::SimmacConnection simmac;
        std::printf("%s\n", simmac.request("status").dump(2).c_str());
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
    } else if (is({"approve", ""})) {
        simulator::SimmacConnection simmac;
        const Json item = simmac.request("launchd.approve", {{"label", arguments[1]}});
        std::printf("%s\t%s\n", item["label"].get<std::string>().c_str(), item["status"].get<std::string>().c_str());
    } else if (is({"plug"}) || is({"plug", ""})) {
        Json plug = Json::object();
        if (arguments.size() == 2) {
            plug["watts"] = number(arguments[1], "WATTS");
        }
        simulator::SimmacConnection simmac;
        simmac.request("battery.plug", plug);
    } else if (is({"unplug"})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.unplug");
    } else if (is({"level", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.level", {{"percent", number(arguments[1], "PERCENT")}});
    } else if (is({"temperature", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.temperature", {{"celsius", number(arguments[1], "CELSIUS")}});
    } else if (is({"load", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.load", {{"watts", number(arguments[1], "WATTS")}});
    } else if (is({"speed", ""})) {
        simulator::SimmacConnection simmac;
        simmac.request("battery.speed", {{"factor", number(arguments[1], "N")}});
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
        // Bytes that are not UTF-8 cannot travel in JSON; they become U+FFFD.
        const std::string sanitized =
            Json::parse(Json(text.str()).dump(-1, ' ', false, Json::error_handler_t::replace)).get<std::string>();
        simulator::SimmacConnection simmac;
        simmac.request("battery.capture", {{"text", sanitized}, {"name", file.filename().string()}});
    } else if (is({"reduce-motion", "on"}) || is({"reduce-motion", "off"})) {
        simulator::SimmacConnection simmac;
        simmac.request("accessibility.set", {{"reduceMotion", arguments[1] == "on"}});
    } else if (is({"help"}) || is({"--help"}) || is({"-h"})) {
        std::fputs(usage, stdout);
    } else {
        std::fputs(usage, stderr);
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const simulator::SimmacError& error) {
        std::fprintf(stderr, "simmacctl: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "simmacctl: unexpected answer from simmac: %s\n", error.what());
        return 1;
    }
}
