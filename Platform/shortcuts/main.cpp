// shortcuts: the simulated Mac's command-line Shortcuts tool, installed as
// $SIMMAC_ROOT/usr/bin/shortcuts. It lists and runs the actions that the
// user's running applications publish:
//   shortcuts list
//   shortcuts run NAME [PARAMETER=VALUE ...]
// NAME is an action's type name or its title. A run prints the action's
// dialog and, for an action that reads a value, the value on a second line.
// Exit status: 0 done; 1 the action failed (its error on stderr); 2 nothing
// was run (unknown action or parameter, a missing parameter, a value its
// parameter does not take, or a wrong command line); 3 no application that
// offers shortcuts is running.

#include "AppIntents/ShortcutsConnection.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;
using platform::ShortcutsConnection;

constexpr const char* usage = "usage: shortcuts list | shortcuts run NAME [PARAMETER=VALUE ...]";

enum Status { done = 0, actionFailed = 1, notRun = 2, notRunning = 3 };

int refuse(const std::string& message)
{
    std::fprintf(stderr, "shortcuts: %s\n", message.c_str());
    return notRun;
}

std::string text(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

int notRunningStatus()
{
    std::fprintf(stderr, "shortcuts: no application that offers shortcuts is running\n");
    return notRunning;
}

int list()
{
    bool anyRunning = false;
    for (const fs::path& socket : ShortcutsConnection::applicationSockets()) {
        std::optional<ShortcutsConnection> connection = ShortcutsConnection::open(socket);
        if (!connection) {
            continue;
        }
        anyRunning = true;
        const Json catalogue = connection->exchange({{"request", "list"}});
        for (const Json& action : catalogue.value("actions", Json::array())) {
            std::printf("%s\t%s\n", text(action, "title").c_str(), text(action, "type").c_str());
        }
        std::printf("\nApp Shortcuts of %s:\n", text(catalogue, "application").c_str());
        for (const Json& shortcut : catalogue.value("shortcuts", Json::array())) {
            std::printf("%s\t%s\t%s\n", text(shortcut, "shortTitle").c_str(), text(shortcut, "phrase").c_str(),
                        text(shortcut, "action").c_str());
        }
    }
    return anyRunning ? done : notRunningStatus();
}

int run(const std::string& name, const std::vector<std::string_view>& assignments)
{
    Json parameters = Json::object();
    for (const std::string_view assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            return refuse("\"" + std::string(assignment) + "\" is not PARAMETER=VALUE");
        }
        const std::string parameter(assignment.substr(0, equals));
        if (parameters.contains(parameter)) {
            return refuse("\"" + parameter + "\" is given more than once");
        }
        parameters[parameter] = std::string(assignment.substr(equals + 1));
    }
    const Json request = {{"request", "run"}, {"action", name}, {"parameters", parameters}};

    bool anyRunning = false;
    std::string refusal;
    for (const fs::path& socket : ShortcutsConnection::applicationSockets()) {
        std::optional<ShortcutsConnection> connection = ShortcutsConnection::open(socket);
        if (!connection) {
            continue;
        }
        anyRunning = true;
        const Json answer = connection->exchange(request);
        if (answer.contains("refused")) {
            refusal = text(answer, "refused");
            // Another application may offer the action.
            if (answer.value("unknownAction", false)) {
                continue;
            }
            return refuse(refusal);
        }
        if (answer.contains("error")) {
            std::fprintf(stderr, "%s\n", text(answer, "error").c_str());
            return actionFailed;
        }
        std::printf("%s\n", text(answer, "dialog").c_str());
        if (const auto value = answer.find("value"); value != answer.end()) {
            std::printf("%s\n", value->is_string() ? value->get<std::string>().c_str() : value->dump().c_str());
        }
        return done;
    }
    return anyRunning ? refuse(refusal) : notRunningStatus();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    try {
        if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
            std::printf("%s\n", usage);
            return 0;
        }
        if (arguments.size() == 1 && arguments[0] == "list") {
            return list();
        }
        if (arguments.size() >= 2 && arguments[0] == "run") {
            return run(std::string(arguments[1]), {arguments.begin() + 2, arguments.end()});
        }
        std::string given;
        for (const std::string_view argument : arguments) {
            given += (given.empty() ? "" : " ") + std::string(argument);
        }
        return refuse((given.empty() ? std::string("no command given") : "unknown arguments \"" + given + "\"") +
                      "\n" + usage);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "shortcuts: %s\n", error.what());
        return actionFailed;
    }
}
