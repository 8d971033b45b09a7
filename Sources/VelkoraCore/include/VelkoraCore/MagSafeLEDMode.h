#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>

namespace velkora {

// The raw value is the byte written to the MagSafe LED key, so the numbering
// is the hardware's: 2 and 5 are not modes.
enum class MagSafeLEDMode : std::uint8_t {
    system = 0,  // the system drives the LED
    off = 1,
    green = 3,
    orange = 4,
    blinkOrangeSlow = 6,
    blinkOrangeFast = 7,
};

inline constexpr std::array<MagSafeLEDMode, 6> allMagSafeLEDModes = {
    MagSafeLEDMode::system, MagSafeLEDMode::off,         MagSafeLEDMode::green,
    MagSafeLEDMode::orange, MagSafeLEDMode::blinkOrangeSlow, MagSafeLEDMode::blinkOrangeFast,
};

constexpr int rawValue(MagSafeLEDMode mode) { return static_cast<int>(mode); }
std::optional<MagSafeLEDMode> magSafeLEDModeFromRawValue(std::int64_t rawValue);

void to_json(nlohmann::ordered_json& json, MagSafeLEDMode mode);
void from_json(const nlohmann::json& json, MagSafeLEDMode& mode);

}  // namespace velkora
