#pragma once

#include <cstdint>

// Options of the code-signing calls. Only the defaults exist here; any other
// value is refused with errSecCSInvalidFlags rather than silently ignored.
using SecCSFlags = std::uint32_t;

inline constexpr SecCSFlags kSecCSDefaultFlags = 0;
