#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

// The client's side of ShortcutsEndpoint: one connection to a running
// application's socket, one request and its one-line answer. Blocking: the
// `shortcuts` tool calls it on its only thread, the Shortcuts application
// away from its main thread.
class ShortcutsConnection {
public:
    using Json = nlohmann::ordered_json;

    // The longest action waits 10 s for a reading and 10 s for the policy.
    static constexpr std::chrono::seconds replyLimit{30};

    explicit ShortcutsConnection(int descriptor) : descriptor_(descriptor) {}
    ~ShortcutsConnection();
    ShortcutsConnection(const ShortcutsConnection&) = delete;
    ShortcutsConnection& operator=(const ShortcutsConnection&) = delete;

    // Nothing when nobody serves the socket: the application is gone.
    static std::optional<ShortcutsConnection> open(const std::filesystem::path& path);

    // The sockets of the applications that may be running, in name order.
    static std::vector<std::filesystem::path> applicationSockets();

    // Sends the request and reads the one-line answer; throws
    // std::runtime_error saying what went wrong.
    Json exchange(const Json& request);

private:
    int descriptor_;
};

}  // namespace platform
