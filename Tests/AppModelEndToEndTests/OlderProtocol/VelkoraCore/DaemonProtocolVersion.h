#pragma once

#include <cstdint>
#include <string>

// Stands in for the shared header in the build of an older daemon: the real
// daemon's code, answering health checks with the previous protocol version.
namespace velkora::DaemonProtocolVersion {

inline constexpr std::int64_t current = 9;

const std::string& handshake();

}  // namespace velkora::DaemonProtocolVersion
