#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace simulator {

// simmac's wire format on its Unix stream socket: every message is one frame,
// a 5-byte header (payload length as a little-endian 32-bit number, then the
// kind) followed by the payload.
//
// The hot paths (SMC user-client calls, and the reads a process repeats: the
// registry, the power sources, the system version) use compact binary frames
// (StructMethodMessage.h, QueryMessage.h); everything else is JSON.
//
// JSON frames carry objects. A request names its operation and carries its
// arguments beside it: {"op": "smc.read", "key": "B0AV"}. The reply is
// {"ok": true, "result": ...} or {"ok": false, "error": "what went wrong"}.
// A connection has at most one request in flight; simmac answers a
// connection's requests in order. Push frames may arrive at any time, also
// between a request and its reply.
enum class FrameKind : std::uint8_t {
    structMethodCall = 1,   // client -> simmac: a user-client struct method, binary (StructMethodMessage)
    structMethodReply = 2,  // simmac -> client: its result, binary
    request = 3,            // client -> simmac: JSON request
    reply = 4,              // simmac -> client: JSON reply
    push = 5,               // simmac -> client, unasked: JSON message
    queryCall = 6,          // client -> simmac: a read, binary (QueryMessage)
    queryReply = 7,         // simmac -> client: its value or error, binary
    readingsCall = 8,       // client -> simmac: asks for the shared readings (SharedReadingsLayout.h), empty
    readingsReply = 9,      // simmac -> client: 1 (u8) with a read-only descriptor of them, or 0: not shared
};

struct FrameHeader {
    std::uint32_t payloadLength = 0;
    FrameKind kind = FrameKind::request;
};

inline constexpr std::size_t frameHeaderSize = 5;

// A larger frame is a broken or hostile peer; its connection is closed.
inline constexpr std::uint32_t maximumPayloadLength = 1u << 20;

void storeUInt32(std::uint32_t value, std::uint8_t* out);
std::uint32_t loadUInt32(const std::uint8_t* in);

void encodeFrameHeader(const FrameHeader& header, std::uint8_t* out);

// Makes `frame` a frame of `kind` with `payloadLength` bytes of payload, and
// returns where the payload goes.
std::uint8_t* startFrame(FrameKind kind, std::size_t payloadLength, std::vector<std::uint8_t>& frame);

// The header at `in` (frameHeaderSize bytes); nothing when the kind is unknown
// or the payload is longer than maximumPayloadLength.
std::optional<FrameHeader> decodeFrameHeader(const std::uint8_t* in);

}  // namespace simulator
