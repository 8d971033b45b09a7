#include <VelkoraCore/AdapterSnapshot.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

namespace velkora {

void to_json(nlohmann::ordered_json& json, const AdapterSnapshot& snapshot)
{
    JSONObjectWriter writer(json);
    writer.boolean("connected", snapshot.connected);
    writer.number("voltageVolts", snapshot.voltageVolts);
    writer.number("currentAmps", snapshot.currentAmps);
    writer.number("inputWatts", snapshot.inputWatts);
    writer.integer("ratedWatts", snapshot.ratedWatts);
}

void from_json(const nlohmann::json& json, AdapterSnapshot& snapshot)
{
    const JSONObjectReader reader(json, "AdapterSnapshot");
    snapshot = AdapterSnapshot{
        .connected = reader.boolean("connected"),
        .voltageVolts = reader.number("voltageVolts"),
        .currentAmps = reader.number("currentAmps"),
        .inputWatts = reader.number("inputWatts"),
        .ratedWatts = reader.integer("ratedWatts"),
    };
}

}  // namespace velkora
