#include "AppIntents/ShortcutsConnection.h"

#include "AppIntents/ShortcutsEndpoint.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace platform {

namespace fs = std::filesystem;

ShortcutsConnection::~ShortcutsConnection()
{
    ::close(descriptor_);
}

std::optional<ShortcutsConnection> ShortcutsConnection::open(const fs::path& path)
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
    return std::optional<ShortcutsConnection>(std::in_place, descriptor);
}

std::vector<fs::path> ShortcutsConnection::applicationSockets()
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

ShortcutsConnection::Json ShortcutsConnection::exchange(const Json& request)
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
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{descriptor_, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            throw std::runtime_error("the application did not answer within " + std::to_string(replyLimit.count()) +
                                     " seconds");
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

}  // namespace platform
