#pragma once

#include <cstdint>
#include <string>

namespace velkora::DaemonProtocolVersion {

// Version of the XPC protocol and of the JSON types that cross it.
inline constexpr std::int64_t current = 10;

// The daemon's reply to a ping: "Velkora charging helper protocol 10".
const std::string& handshake();

}  // namespace velkora::DaemonProtocolVersion
