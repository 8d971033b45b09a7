#include <VelkoraCore/ChargePolicy.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

#include <algorithm>

namespace velkora {

void ChargePolicy::normalize()
{
    chargeLimit = std::clamp<std::int64_t>(chargeLimit, 20, 100);
    sailingDelta = std::clamp<std::int64_t>(sailingDelta, 1, 20);
    heatLimitCelsius = std::clamp<std::int64_t>(heatLimitCelsius, 30, 45);
}

void to_json(nlohmann::ordered_json& json, const ChargePolicy& policy)
{
    JSONObjectWriter writer(json);
    writer.boolean("managementEnabled", policy.managementEnabled);
    writer.integer("chargeLimit", policy.chargeLimit);
    writer.boolean("automaticDischarge", policy.automaticDischarge);
    writer.boolean("sailingEnabled", policy.sailingEnabled);
    writer.integer("sailingDelta", policy.sailingDelta);
    writer.boolean("heatProtectionEnabled", policy.heatProtectionEnabled);
    writer.integer("heatLimitCelsius", policy.heatLimitCelsius);
    writer.boolean("useHardwarePercentage", policy.useHardwarePercentage);
    writer.boolean("preserveWhenAppClosed", policy.preserveWhenAppClosed);
    writer.boolean("stopChargingBeforeSleep", policy.stopChargingBeforeSleep);
    writer.boolean("preventSleepUntilLimit", policy.preventSleepUntilLimit);
    writer.boolean("manageMagSafeLED", policy.manageMagSafeLED);
}

void from_json(const nlohmann::json& json, ChargePolicy& policy)
{
    const JSONObjectReader reader(json, "ChargePolicy");
    policy = ChargePolicy{
        .managementEnabled = reader.boolean("managementEnabled"),
        .chargeLimit = reader.integer("chargeLimit"),
        .automaticDischarge = reader.boolean("automaticDischarge"),
        .sailingEnabled = reader.boolean("sailingEnabled"),
        .sailingDelta = reader.integer("sailingDelta"),
        .heatProtectionEnabled = reader.boolean("heatProtectionEnabled"),
        .heatLimitCelsius = reader.integer("heatLimitCelsius"),
        .useHardwarePercentage = reader.boolean("useHardwarePercentage"),
        .preserveWhenAppClosed = reader.boolean("preserveWhenAppClosed"),
        .stopChargingBeforeSleep = reader.boolean("stopChargingBeforeSleep"),
        .preventSleepUntilLimit = reader.boolean("preventSleepUntilLimit"),
        .manageMagSafeLED = reader.boolean("manageMagSafeLED"),
    };
}

}  // namespace velkora
