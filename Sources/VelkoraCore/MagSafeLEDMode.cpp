#include <VelkoraCore/MagSafeLEDMode.h>

#include "JSONObjectReader.h"

namespace velkora {

std::optional<MagSafeLEDMode> magSafeLEDModeFromRawValue(std::int64_t raw)
{
    for (const MagSafeLEDMode mode : allMagSafeLEDModes) {
        if (rawValue(mode) == raw) {
            return mode;
        }
    }
    return std::nullopt;
}

void to_json(nlohmann::ordered_json& json, MagSafeLEDMode mode)
{
    json = rawValue(mode);
}

void from_json(const nlohmann::json& json, MagSafeLEDMode& mode)
{
    const std::int64_t raw = JSONObjectReader::integerValue(json);
    const auto parsed = magSafeLEDModeFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("MagSafeLEDMode", raw);
    }
    mode = *parsed;
}

}  // namespace velkora
