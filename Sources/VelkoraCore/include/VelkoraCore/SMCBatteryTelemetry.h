#pragma once

#include <VelkoraCore/SMCIntegerByteOrder.h>

#include <cstdint>
#include <optional>
#include <span>

namespace velkora::SMCBatteryTelemetry {

// Battery voltage from the raw value of "B0AV": present only for exactly two
// bytes holding 5000...15000 mV.
std::optional<int> voltageMillivolts(std::span<const std::uint8_t> bytes, SMCIntegerByteOrder byteOrder);

// Battery current from the raw value of "B0AC" (signed 16-bit, positive into
// the battery): present only for exactly two bytes holding -12000...12000 mA.
std::optional<int> currentMilliamps(std::span<const std::uint8_t> bytes, SMCIntegerByteOrder byteOrder);

}  // namespace velkora::SMCBatteryTelemetry
