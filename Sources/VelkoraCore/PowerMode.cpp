#include <VelkoraCore/PowerMode.h>

#include "JSONObjectReader.h"

namespace velkora {

std::optional<PowerMode> powerModeFromRawValue(std::int64_t raw)
{
    for (const PowerMode mode : allPowerModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

void to_json(nlohmann::ordered_json& json, PowerMode mode)
{
    json = rawValue(mode);
}

void from_json(const nlohmann::json& json, PowerMode& mode)
{
    const std::int64_t raw = JSONObjectReader::integerValue(json);
    const auto parsed = powerModeFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("PowerMode", raw);
    }
    mode = *parsed;
}

}  // namespace velkora
