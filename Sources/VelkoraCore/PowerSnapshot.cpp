#include <VelkoraCore/PowerSnapshot.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

namespace velkora {

const PowerSnapshot& PowerSnapshot::noBattery()
{
    static const PowerSnapshot snapshot{
        .battery =
            BatterySnapshot{
                // Whole microseconds, the precision a time keeps through coding.
                .timestamp = std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now()),
                .condition = "Not Present",
            },
        .adapter = AdapterSnapshot{},
        .state = ChargingState::unavailable,
        .stateReason = "未检测到内置电池",
        .calibrationPhase = CalibrationPhase::inactive,
    };
    return snapshot;
}

void to_json(nlohmann::ordered_json& json, const PowerSnapshot& snapshot)
{
    JSONObjectWriter writer(json);
    writer.encode("battery", snapshot.battery);
    writer.encode("adapter", snapshot.adapter);
    writer.encode("state", snapshot.state);
    writer.string("stateReason", snapshot.stateReason);
    writer.encode("calibrationPhase", snapshot.calibrationPhase);
}

void from_json(const nlohmann::json& json, PowerSnapshot& snapshot)
{
    const JSONObjectReader reader(json, "PowerSnapshot");
    snapshot = PowerSnapshot{
        .battery = reader.decode<BatterySnapshot>("battery"),
        .adapter = reader.decode<AdapterSnapshot>("adapter"),
        .state = reader.decode<ChargingState>("state"),
        .stateReason = reader.string("stateReason"),
        .calibrationPhase = reader.decode<CalibrationPhase>("calibrationPhase"),
    };
}

}  // namespace velkora
