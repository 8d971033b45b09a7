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

#include "AppIntents/ShortcutsEndpoint.h"

#include <nlohmann/json.hpp>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;
using platform::ShortcutsEndpoint;

constexpr const char* usage = "usage: shortcuts list | shortcuts run NAME [PARAMETER=VALUE ...]";

// The longest action waits 10 s for a reading and 10 s for the policy.
constexpr std::chrono::seconds replyLimit{30};

enum Status { done = 0, actionFailed = 1, notRun = 2, notRunning = 3 };

int refuse(const std::string& message)
{
    std::fprintf(stderr, "shortcuts: %s\n", message.c_str());
    return notRun;
}

// One connection to an application's socket.
class Connection {
public:
    explicit Connection(int descriptor) : descriptor_(descriptor) {}
    ~Connection() { ::close(descriptor_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Nothing when nobody serves the socket: the application is gone.
    static std::optional<Connection> open(const fs::path& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.native().size() >= sizeof address.sun_path) {
            return std::nullopt;
        }
        std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
        const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (descriptor < 0) {
            return std::nullopt;
        }
        if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(descriptor);
            return std::nullopt;
        }
        return std::optional<Connection>(std::in_place, descriptor);
    }

    // Sends the request and reads the one-line answer; throws
    // std::runtime_error saying what went wrong.
    Json exchange(const Json& request)
    {
        const std::string line = request.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
        for (std::size_t sent = 0; sent < line.size();) {
            const ssize_t count = ::send(descriptor_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
            if (count < 0 && errno != EINTR) {
                throw std::runtime_error(std::string("cannot send the request: ") + std::strerror(errno));
            }
            sent += count > 0 ? static_cast<std::size_t>(count) : 0;
        }
        const auto deadline = std::chrono::steady_clock::now() + replyLimit;
        std::string reply;
        char buffer[4096];
        while (reply.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd readable{descriptor_, POLLIN, 0};
            const int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                throw std::runtime_error("the application did not answer within " +
                                         std::to_string(replyLimit.count()) + " seconds");
            }
            const ssize_t count = ::recv(descriptor_, buffer, sizeof buffer, 0);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                throw std::runtime_error("the application closed the connection without answering");
            }
            reply.append(buffer, static_cast<std::size_t>(count));
            if (reply.size() > ShortcutsEndpoint::maximumReplySize) {
                throw std::runtime_error("the application's answer is longer than " +
                                         std::to_string(ShortcutsEndpoint::maximumReplySize) + " bytes");
            }
        }
        Json answer = Json::parse(reply.substr(0, reply.find('\n')), nullptr, false);
        if (!answer.is_object()) {
            throw std::runtime_error("the application's answer is not a JSON object");
        }
        return answer;
    }

private:
    int descriptor_;
};

// The sockets of the applications that may be running, in name order.
std::vector<fs::path> applicationSockets()
{
    std::vector<fs::path> sockets;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ShortcutsEndpoint::directory(), error)) {
        if (entry.path().extension() == ".sock") {
            sockets.push_back(entry.path());
        }
    }
    std::sort(sockets.begin(), sockets.end());
    return sockets;
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
    for (const fs::path& socket : applicationSockets()) {
        std::optional<Connection> connection = Connection::open(socket);
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
    for (const fs::path& socket : applicationSockets()) {
        std::optional<Connection> connection = Connection::open(socket);
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
