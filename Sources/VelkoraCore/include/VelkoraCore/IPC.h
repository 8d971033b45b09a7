#pragma once

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/CodingError.h>
#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/DaemonHealth.h>
#include <VelkoraCore/DeviceCapabilities.h>
#include <VelkoraCore/PowerSnapshot.h>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace velkora {

// The values that travel between the two programs or are stored as documents.
template <typename T>
concept IPCDocument = std::same_as<T, HelperBuildIdentity> || std::same_as<T, DaemonFailureReason> ||
                      std::same_as<T, DaemonHealth> || std::same_as<T, BatterySnapshot> ||
                      std::same_as<T, AdapterSnapshot> || std::same_as<T, PowerSnapshot> ||
                      std::same_as<T, DeviceCapabilities> || std::same_as<T, ChargePolicy> ||
                      std::same_as<T, ControlCommand>;

namespace IPC {

inline constexpr std::string_view machServiceName = "com.velkora.charging-helper";
inline constexpr std::string_view parentBundleIdentifier = "com.velkora.app";

// Every real document is a few hundred bytes; anything beyond these bounds is
// refused before it is parsed.
inline constexpr std::size_t maximumDocumentSize = 1024 * 1024;
inline constexpr std::size_t maximumNestingDepth = 32;

// Compact UTF-8 JSON, dates as milliseconds since 1970 with the fraction kept.
// Throws EncodingError when a floating-point member is not finite.
template <IPCDocument T>
std::vector<std::uint8_t> encode(const T& value);

// Throws DecodingError, and nothing else, for anything that is not the JSON
// of a T: malformed, truncated, too large, too deeply nested or wrongly typed.
template <IPCDocument T>
T decode(std::span<const std::uint8_t> data);

}  // namespace IPC

}  // namespace velkora
