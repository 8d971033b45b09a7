#pragma once

#include <cstdint>
#include <span>

#include "IOKit/CFPropertyValue.h"

namespace platform {

// A registry value as simmac sends it (simulator::RegistryValueWriter's
// binary form) as a CFPropertyValue; null for "none" and for anything
// malformed, in which case the whole value is refused.
CFTypeRef decodeRegistryValue(std::span<const std::uint8_t> encoded);

}  // namespace platform
