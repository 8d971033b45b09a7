#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

enum class XPCFrameKind : std::uint8_t {
    request = 1,
    reply = 2,
    // The request reached the peer but gets no reply; the text says why.
    failure = 3,
    // The listener's delegate refused the connection.
    refused = 4,
    // The listener accepted the connection: the first frame a client may
    // receive, and no request may be sent before it.
    greeting = 5,
};

// One message on an XPC socket. On the wire, all integers big-endian:
//   u32 body length (1 ... 1 MiB), then the body:
//   u8 kind, u64 request id, u16 selector length, selector,
//   u8 flags (1: data present, 2: text present),
//   [u32 data length, data], [u32 text length, text]
// The body must be consumed exactly. Replies and failures echo the selector.
struct XPCFrame {
    static constexpr std::size_t lengthPrefixSize = 4;
    static constexpr std::size_t maximumBodySize = std::size_t{1} << 20;

    XPCFrameKind kind = XPCFrameKind::request;
    std::uint64_t requestId = 0;
    std::string selector;
    std::optional<std::vector<std::uint8_t>> data;
    std::optional<std::string> text;

    std::size_t bodySize() const;
    // Appends the length prefix and the body; the caller checks bodySize() first.
    void appendEncoded(std::vector<std::uint8_t>& out) const;
    std::vector<std::uint8_t> encoded() const;

    // A body (without its length prefix), or the reason it is not a valid frame.
    static std::variant<XPCFrame, std::string> decodeBody(const std::uint8_t* body, std::size_t size);
};

}  // namespace platform
