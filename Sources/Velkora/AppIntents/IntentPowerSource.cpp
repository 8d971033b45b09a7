#include "Intents/IntentPowerSource.h"

namespace velkora {

std::string_view rawValue(IntentPowerSource source)
{
    return source == IntentPowerSource::battery ? "battery" : "adapter";
}

platform::AppEnumDeclaration intentPowerSourceDeclaration()
{
    return {"IntentPowerSource",
            "电源来源",
            {{std::string(rawValue(IntentPowerSource::battery)), "电池"},
             {std::string(rawValue(IntentPowerSource::adapter)), "电源适配器"}}};
}

}  // namespace velkora
