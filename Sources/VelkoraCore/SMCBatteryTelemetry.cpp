#include <VelkoraCore/SMCBatteryTelemetry.h>

#include <utility>

namespace velkora::SMCBatteryTelemetry {

namespace {

std::optional<std::uint16_t> uint16(std::span<const std::uint8_t> bytes, SMCIntegerByteOrder byteOrder)
{
    if (bytes.size() != 2) {
        return std::nullopt;
    }
    const auto [high, low] = byteOrder == SMCIntegerByteOrder::little ? std::pair{bytes[1], bytes[0]}
                                                                      : std::pair{bytes[0], bytes[1]};
    return static_cast<std::uint16_t>(high * 256 + low);
}

}  // namespace

std::optional<int> voltageMillivolts(std::span<const std::uint8_t> bytes, SMCIntegerByteOrder byteOrder)
{
    const auto value = uint16(bytes, byteOrder);
    if (!value || *value < 5000 || *value > 15000) {
        return std::nullopt;
    }
    return *value;
}

std::optional<int> currentMilliamps(std::span<const std::uint8_t> bytes, SMCIntegerByteOrder byteOrder)
{
    const auto value = uint16(bytes, byteOrder);
    if (!value) {
        return std::nullopt;
    }
    const int milliamps = static_cast<std::int16_t>(*value);
    if (milliamps < -12000 || milliamps > 12000) {
        return std::nullopt;
    }
    return milliamps;
}

}  // namespace velkora::SMCBatteryTelemetry
