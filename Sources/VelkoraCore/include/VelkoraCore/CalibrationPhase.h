#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace velkora {

// The steps of one calibration run; its raw value is the case name.
enum class CalibrationPhase {
    inactive,
    chargingToFull,
    dischargingToLow,
    rechargingToFull,
    holdingFull,
    restoringLimit,
};

inline constexpr std::array<CalibrationPhase, 6> allCalibrationPhases = {
    CalibrationPhase::inactive,         CalibrationPhase::chargingToFull, CalibrationPhase::dischargingToLow,
    CalibrationPhase::rechargingToFull, CalibrationPhase::holdingFull,    CalibrationPhase::restoringLimit,
};

std::string_view rawValue(CalibrationPhase phase);
std::optional<CalibrationPhase> calibrationPhaseFromRawValue(std::string_view rawValue);
// The phase's fixed Simplified Chinese name.
std::string_view localizedName(CalibrationPhase phase);

void to_json(nlohmann::ordered_json& json, CalibrationPhase phase);
void from_json(const nlohmann::json& json, CalibrationPhase& phase);

}  // namespace velkora
