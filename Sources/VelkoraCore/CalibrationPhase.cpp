#include <VelkoraCore/CalibrationPhase.h>

#include "JSONObjectReader.h"

namespace velkora {

std::string_view rawValue(CalibrationPhase phase)
{
    switch (phase) {
    case CalibrationPhase::inactive:
        return "inactive";
    case CalibrationPhase::chargingToFull:
        return "chargingToFull";
    case CalibrationPhase::dischargingToLow:
        return "dischargingToLow";
    case CalibrationPhase::rechargingToFull:
        return "rechargingToFull";
    case CalibrationPhase::holdingFull:
        return "holdingFull";
    case CalibrationPhase::restoringLimit:
        return "restoringLimit";
    }
    return {};
}

std::optional<CalibrationPhase> calibrationPhaseFromRawValue(std::string_view raw)
{
    for (const CalibrationPhase phase : allCalibrationPhases) {
        if (rawValue(phase) == raw) {
            return phase;
        }
    }
    return std::nullopt;
}

std::string_view localizedName(CalibrationPhase phase)
{
    switch (phase) {
    case CalibrationPhase::inactive:
        return "未运行";
    case CalibrationPhase::chargingToFull:
        return "首次充电至 100%";
    case CalibrationPhase::dischargingToLow:
        return "放电至 10%";
    case CalibrationPhase::rechargingToFull:
        return "再次充电至 100%";
    case CalibrationPhase::holdingFull:
        return "满电保持 1 小时";
    case CalibrationPhase::restoringLimit:
        return "恢复至充电上限";
    }
    return {};
}

void to_json(nlohmann::ordered_json& json, CalibrationPhase phase)
{
    json = rawValue(phase);
}

void from_json(const nlohmann::json& json, CalibrationPhase& phase)
{
    const std::string_view raw = JSONObjectReader::stringValue(json);
    const auto parsed = calibrationPhaseFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("CalibrationPhase", raw);
    }
    phase = *parsed;
}

}  // namespace velkora
