#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>

namespace velkora {

// The raw value, in decimal, is the mode number the power-management tool takes.
enum class PowerMode : std::uint8_t {
    automatic = 0,
    low = 1,
    high = 2,
};

inline constexpr std::array<PowerMode, 3> allPowerModes = {PowerMode::automatic, PowerMode::low, PowerMode::high};

constexpr int rawValue(PowerMode mode) { return static_cast<int>(mode); }
std::optional<PowerMode> powerModeFromRawValue(std::int64_t rawValue);

void to_json(nlohmann::ordered_json& json, PowerMode mode);
void from_json(const nlohmann::json& json, PowerMode& mode);

}  // namespace velkora
