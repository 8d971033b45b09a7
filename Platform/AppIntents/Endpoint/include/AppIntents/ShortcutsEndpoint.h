#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace platform {

// Where the running applications of a user serve Shortcuts: one Unix socket
// per application, named after its bundle identifier, in
// "~/Library/Shortcuts" of the user's simulated home. The folder is the
// user's alone (mode 0700), so only the same user can reach a socket in it.
//
// On every connection the client sends one request, a JSON object on one
// line, and the application answers with one JSON object on one line, then
// closes the connection.
class ShortcutsEndpoint {
public:
    ShortcutsEndpoint() = delete;

    static std::filesystem::path directory();
    static std::filesystem::path socketPath(std::string_view bundleIdentifier);

    // Anything longer is not a request of the protocol: the application drops
    // the connection.
    static constexpr std::size_t maximumRequestSize = 16 * 1024;
    // A catalogue, the largest answer, is a few kilobytes.
    static constexpr std::size_t maximumReplySize = 1024 * 1024;
};

}  // namespace platform
