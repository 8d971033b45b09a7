#pragma once

#include <cstdint>

// Return codes of the IOKit calls. The numbers are those a Mac reports, so that
// codes shown in messages and logs (for example -536870207 for a refused
// privilege) read the same as on the real machine.

using kern_return_t = std::int32_t;
using IOReturn = kern_return_t;

namespace platform::iokit_detail {
constexpr IOReturn commonError(std::uint32_t code)
{
    return static_cast<IOReturn>(0xe0000000u | code);
}
}  // namespace platform::iokit_detail

inline constexpr IOReturn kIOReturnSuccess = 0;
inline constexpr IOReturn kIOReturnError = platform::iokit_detail::commonError(0x2bc);
inline constexpr IOReturn kIOReturnNoMemory = platform::iokit_detail::commonError(0x2bd);
inline constexpr IOReturn kIOReturnNoResources = platform::iokit_detail::commonError(0x2be);
inline constexpr IOReturn kIOReturnIPCError = platform::iokit_detail::commonError(0x2bf);
inline constexpr IOReturn kIOReturnNoDevice = platform::iokit_detail::commonError(0x2c0);
inline constexpr IOReturn kIOReturnNotPrivileged = platform::iokit_detail::commonError(0x2c1);
inline constexpr IOReturn kIOReturnBadArgument = platform::iokit_detail::commonError(0x2c2);
inline constexpr IOReturn kIOReturnExclusiveAccess = platform::iokit_detail::commonError(0x2c5);
inline constexpr IOReturn kIOReturnUnsupported = platform::iokit_detail::commonError(0x2c7);
inline constexpr IOReturn kIOReturnInternalError = platform::iokit_detail::commonError(0x2c9);
inline constexpr IOReturn kIOReturnIOError = platform::iokit_detail::commonError(0x2ca);
inline constexpr IOReturn kIOReturnNotOpen = platform::iokit_detail::commonError(0x2cd);
inline constexpr IOReturn kIOReturnNotReadable = platform::iokit_detail::commonError(0x2ce);
inline constexpr IOReturn kIOReturnNotWritable = platform::iokit_detail::commonError(0x2cf);
inline constexpr IOReturn kIOReturnBusy = platform::iokit_detail::commonError(0x2d5);
inline constexpr IOReturn kIOReturnTimeout = platform::iokit_detail::commonError(0x2d6);
inline constexpr IOReturn kIOReturnNotReady = platform::iokit_detail::commonError(0x2d8);
inline constexpr IOReturn kIOReturnMessageTooLarge = platform::iokit_detail::commonError(0x2e1);
inline constexpr IOReturn kIOReturnNotPermitted = platform::iokit_detail::commonError(0x2e2);
inline constexpr IOReturn kIOReturnAborted = platform::iokit_detail::commonError(0x2eb);
inline constexpr IOReturn kIOReturnNotResponding = platform::iokit_detail::commonError(0x2ed);
inline constexpr IOReturn kIOReturnNotFound = platform::iokit_detail::commonError(0x2f0);
inline constexpr IOReturn kIOReturnInvalid = 0x1;
