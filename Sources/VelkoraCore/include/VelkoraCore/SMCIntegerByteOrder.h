#pragma once

namespace velkora {

// Byte order in which the SMC delivers its two-byte battery values.
enum class SMCIntegerByteOrder {
    little,
    big,
};

// The order of the SMC of the Mac this build runs on: little on Apple silicon,
// big on Intel.
#if defined(__aarch64__) || defined(__arm64__)
inline constexpr SMCIntegerByteOrder currentSMCIntegerByteOrder = SMCIntegerByteOrder::little;
#else
inline constexpr SMCIntegerByteOrder currentSMCIntegerByteOrder = SMCIntegerByteOrder::big;
#endif

}  // namespace velkora
