#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace velkora {

// The state shown to the user; its raw value is the case name.
enum class ChargingState {
    unavailable,
    onBattery,
    charging,
    paused,
    sailing,
    discharging,
    topUp,
    heatProtected,
    calibrating,
    error,
};

inline constexpr std::array<ChargingState, 10> allChargingStates = {
    ChargingState::unavailable,   ChargingState::onBattery, ChargingState::charging,      ChargingState::paused,
    ChargingState::sailing,       ChargingState::discharging, ChargingState::topUp,       ChargingState::heatProtected,
    ChargingState::calibrating,   ChargingState::error,
};

std::string_view rawValue(ChargingState state);
std::optional<ChargingState> chargingStateFromRawValue(std::string_view rawValue);
// The state's fixed Simplified Chinese name.
std::string_view localizedName(ChargingState state);

void to_json(nlohmann::ordered_json& json, ChargingState state);
void from_json(const nlohmann::json& json, ChargingState& state);

}  // namespace velkora
