#pragma once

#include <VelkoraCore/AdapterSnapshot.h>
#include <VelkoraCore/BatterySnapshot.h>
#include <VelkoraCore/CalibrationPhase.h>
#include <VelkoraCore/ChargingState.h>

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace velkora {

// The daemon's published state and the reply to every command.
struct PowerSnapshot {
    BatterySnapshot battery{};
    AdapterSnapshot adapter{};
    ChargingState state = ChargingState::unavailable;
    std::string stateReason{};
    CalibrationPhase calibrationPhase = CalibrationPhase::inactive;

    // The state of a Mac without a built-in battery, stamped with the moment it
    // is first asked for and the same value on every later call.
    static const PowerSnapshot& noBattery();

    bool operator==(const PowerSnapshot&) const = default;
};

void to_json(nlohmann::ordered_json& json, const PowerSnapshot& snapshot);
void from_json(const nlohmann::json& json, PowerSnapshot& snapshot);

}  // namespace velkora
