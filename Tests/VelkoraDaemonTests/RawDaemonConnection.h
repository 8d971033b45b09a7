#pragma once

// The daemon's socket spoken to by hand, as an attacker's code would: for the
// programs and the library that try to get a request served by the daemon
// without being the signed application. No dependency but the C library, so
// that an injected library can carry it. The frames are those of
// Platform/XPC/XPCFrame.h.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace attack {

enum FrameKind : std::uint8_t { request = 1, reply = 2, failure = 3, refused = 4, greeting = 5 };
// What nextFrameKind gives when the connection closed or broke, and when nothing came in time.
inline constexpr std::uint8_t closed = 0;
inline constexpr std::uint8_t silence = 0xFF;

// A socket connected to the daemon's mach service, left inheritable across
// exec; -1 when it cannot connect.
inline int connectToDaemon()
{
    const char* root = std::getenv("SIMMAC_ROOT");
    const std::string path = std::string(root != nullptr ? root : "") + "/var/run/xpc/com.velkora.charging-helper";
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (descriptor < 0 || path.size() >= sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

inline void appendInteger(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// performWithCommandData:reply: carrying `command` (the JSON of a ControlCommand).
inline std::vector<std::uint8_t> performFrame(const std::string& command)
{
    const std::string selector = "performWithCommandData:reply:";
    std::vector<std::uint8_t> body;
    body.push_back(request);
    appendInteger(body, 1, 8);
    appendInteger(body, selector.size(), 2);
    body.insert(body.end(), selector.begin(), selector.end());
    body.push_back(1);
    appendInteger(body, command.size(), 4);
    body.insert(body.end(), command.begin(), command.end());
    std::vector<std::uint8_t> frame;
    appendInteger(frame, body.size(), 4);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

inline bool sendAll(int descriptor, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::send(descriptor, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

// closed, silence, or 1 once `length` bytes are in.
inline std::uint8_t receiveExactly(int descriptor, std::uint8_t* out, std::size_t length,
                                   std::chrono::steady_clock::time_point deadline)
{
    while (length > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{descriptor, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0) {
            return silence;
        }
        const ssize_t count = ::recv(descriptor, out, length, 0);
        if (count <= 0) {
            return closed;
        }
        out += count;
        length -= static_cast<std::size_t>(count);
    }
    return 1;
}

// The kind of the next whole frame, `closed` or `silence`.
inline std::uint8_t nextFrameKind(int descriptor, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint8_t prefix[4];
    if (const std::uint8_t status = receiveExactly(descriptor, prefix, sizeof prefix, deadline); status != 1) {
        return status;
    }
    const std::size_t length = (std::size_t{prefix[0]} << 24) | (std::size_t{prefix[1]} << 16) |
                               (std::size_t{prefix[2]} << 8) | std::size_t{prefix[3]};
    if (length == 0 || length > (1u << 20)) {
        return closed;
    }
    std::vector<std::uint8_t> body(length);
    const std::uint8_t status = receiveExactly(descriptor, body.data(), body.size(), deadline);
    return status == 1 ? body[0] : status;
}

// Waits up to `timeout` for the greeting; a service that greets nobody is
// sent to anyway. False when the connection was refused or closed.
inline bool mayTalk(int descriptor, std::chrono::milliseconds timeout)
{
    const std::uint8_t kind = nextFrameKind(descriptor, timeout);
    return kind == greeting || kind == silence;
}

// After a request was sent: whether anything answered it (a reply or a
// failure both mean the request reached the service).
inline bool requestWasServed(int descriptor, std::chrono::milliseconds timeout)
{
    const std::uint8_t kind = nextFrameKind(descriptor, timeout);
    return kind == reply || kind == failure;
}

}  // namespace attack
