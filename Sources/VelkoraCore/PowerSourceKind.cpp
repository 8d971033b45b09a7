#include <VelkoraCore/PowerSourceKind.h>

#include "JSONObjectReader.h"

namespace velkora {

std::string_view rawValue(PowerSourceKind kind)
{
    switch (kind) {
    case PowerSourceKind::battery:
        return "battery";
    case PowerSourceKind::adapter:
        return "adapter";
    }
    return {};
}

std::optional<PowerSourceKind> powerSourceKindFromRawValue(std::string_view raw)
{
    for (const PowerSourceKind kind : allPowerSourceKinds) {
        if (rawValue(kind) == raw) {
            return kind;
        }
    }
    return std::nullopt;
}

void to_json(nlohmann::ordered_json& json, PowerSourceKind kind)
{
    json = rawValue(kind);
}

void from_json(const nlohmann::json& json, PowerSourceKind& kind)
{
    const std::string_view raw = JSONObjectReader::stringValue(json);
    const auto parsed = powerSourceKindFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("PowerSourceKind", raw);
    }
    kind = *parsed;
}

}  // namespace velkora
