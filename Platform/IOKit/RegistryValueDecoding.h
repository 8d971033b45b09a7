#pragma once

#include <cstdint>
#include <span>

#include "IOKit/CFPropertyValue.h"
#include "Simulator/QueryMessage.h"

namespace platform {

// A registry value as simmac sends it (simulator::RegistryValueWriter's
// binary form) as a CFPropertyValue; null for "none" and for anything
// malformed, in which case the whole value is refused.
CFTypeRef decodeRegistryValue(std::span<const std::uint8_t> encoded);

// simmac's answer to `call` on the process's shared connection, decoded as
// above (or the value decoded last from the same answer, RecentRegistryValues); throws SimmacError when simmac cannot be reached or refuses.
CFTypeRef queryRegistryValue(const simulator::QueryCall& call);

}  // namespace platform
