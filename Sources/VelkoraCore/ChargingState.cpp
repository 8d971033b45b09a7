#include <VelkoraCore/ChargingState.h>

#include "JSONObjectReader.h"

namespace velkora {

std::string_view rawValue(ChargingState state)
{
    switch (state) {
    case ChargingState::unavailable:
        return "unavailable";
    case ChargingState::onBattery:
        return "onBattery";
    case ChargingState::charging:
        return "charging";
    case ChargingState::paused:
        return "paused";
    case ChargingState::sailing:
        return "sailing";
    case ChargingState::discharging:
        return "discharging";
    case ChargingState::topUp:
        return "topUp";
    case ChargingState::heatProtected:
        return "heatProtected";
    case ChargingState::calibrating:
        return "calibrating";
    case ChargingState::error:
        return "error";
    }
    return {};
}

std::optional<ChargingState> chargingStateFromRawValue(std::string_view raw)
{
    for (const ChargingState state : allChargingStates) {
        if (rawValue(state) == raw) {
            return state;
        }
    }
    return std::nullopt;
}

std::string_view localizedName(ChargingState state)
{
    switch (state) {
    case ChargingState::unavailable:
        return "不可用";
    case ChargingState::onBattery:
        return "使用电池";
    case ChargingState::charging:
        return "充电中";
    case ChargingState::paused:
        return "已暂停";
    case ChargingState::sailing:
        return "航海模式";
    case ChargingState::discharging:
        return "放电中";
    case ChargingState::topUp:
        return "充满中";
    case ChargingState::heatProtected:
        return "过热保护";
    case ChargingState::calibrating:
        return "校准中";
    case ChargingState::error:
        return "发生错误";
    }
    return {};
}

void to_json(nlohmann::ordered_json& json, ChargingState state)
{
    json = rawValue(state);
}

void from_json(const nlohmann::json& json, ChargingState& state)
{
    const std::string_view raw = JSONObjectReader::stringValue(json);
    const auto parsed = chargingStateFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("ChargingState", raw);
    }
    state = *parsed;
}

}  // namespace velkora
