#include <VelkoraCore/BatterySnapshot.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

namespace velkora {

void to_json(nlohmann::ordered_json& json, const BatterySnapshot& snapshot)
{
    JSONObjectWriter writer(json);
    writer.date("timestamp", snapshot.timestamp);
    writer.integer("percentage", snapshot.percentage);
    writer.integer("hardwarePercentage", snapshot.hardwarePercentage);
    writer.boolean("isCharging", snapshot.isCharging);
    writer.boolean("isFullyCharged", snapshot.isFullyCharged);
    writer.boolean("adapterConnected", snapshot.adapterConnected);
    writer.optionalInteger("timeRemainingMinutes", snapshot.timeRemainingMinutes);
    writer.number("temperatureCelsius", snapshot.temperatureCelsius);
    writer.number("voltageVolts", snapshot.voltageVolts);
    writer.number("currentAmps", snapshot.currentAmps);
    writer.number("powerWatts", snapshot.powerWatts);
    writer.number("systemLoadWatts", snapshot.systemLoadWatts);
    writer.integer("currentCapacityMAh", snapshot.currentCapacityMAh);
    writer.integer("maxCapacityMAh", snapshot.maxCapacityMAh);
    writer.integer("designCapacityMAh", snapshot.designCapacityMAh);
    writer.integer("macOSCapacityMAh", snapshot.macOSCapacityMAh);
    writer.integer("cycleCount", snapshot.cycleCount);
    writer.string("condition", snapshot.condition);
    writer.string("serialNumber", snapshot.serialNumber);
    writer.boolean("lowPowerModeEnabled", snapshot.lowPowerModeEnabled);
}

void from_json(const nlohmann::json& json, BatterySnapshot& snapshot)
{
    const JSONObjectReader reader(json, "BatterySnapshot");
    snapshot = BatterySnapshot{
        .timestamp = reader.date("timestamp"),
        .percentage = reader.integer("percentage"),
        .hardwarePercentage = reader.integer("hardwarePercentage"),
        .isCharging = reader.boolean("isCharging"),
        .isFullyCharged = reader.boolean("isFullyCharged"),
        .adapterConnected = reader.boolean("adapterConnected"),
        .timeRemainingMinutes = reader.optionalInteger("timeRemainingMinutes"),
        .temperatureCelsius = reader.number("temperatureCelsius"),
        .voltageVolts = reader.number("voltageVolts"),
        .currentAmps = reader.number("currentAmps"),
        .powerWatts = reader.number("powerWatts"),
        .systemLoadWatts = reader.number("systemLoadWatts"),
        .currentCapacityMAh = reader.integer("currentCapacityMAh"),
        .maxCapacityMAh = reader.integer("maxCapacityMAh"),
        .designCapacityMAh = reader.integer("designCapacityMAh"),
        .macOSCapacityMAh = reader.integer("macOSCapacityMAh"),
        .cycleCount = reader.integer("cycleCount"),
        .condition = reader.string("condition"),
        .serialNumber = reader.string("serialNumber"),
        .lowPowerModeEnabled = reader.boolean("lowPowerModeEnabled"),
    };
}

}  // namespace velkora
