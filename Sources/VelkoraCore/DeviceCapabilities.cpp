#include <VelkoraCore/DeviceCapabilities.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

namespace velkora {

void to_json(nlohmann::ordered_json& json, const DeviceCapabilities& capabilities)
{
    JSONObjectWriter writer(json);
    writer.boolean("batteryPresent", capabilities.batteryPresent);
    writer.boolean("chargingControl", capabilities.chargingControl);
    writer.boolean("forceDischarge", capabilities.forceDischarge);
    writer.boolean("magSafeLED", capabilities.magSafeLED);
    writer.boolean("highPowerMode", capabilities.highPowerMode);
}

void from_json(const nlohmann::json& json, DeviceCapabilities& capabilities)
{
    const JSONObjectReader reader(json, "DeviceCapabilities");
    capabilities = DeviceCapabilities{
        .batteryPresent = reader.boolean("batteryPresent"),
        .chargingControl = reader.boolean("chargingControl"),
        .forceDischarge = reader.boolean("forceDischarge"),
        .magSafeLED = reader.boolean("magSafeLED"),
        .highPowerMode = reader.boolean("highPowerMode"),
    };
}

}  // namespace velkora
