#pragma once

#include <nlohmann/json_fwd.hpp>

namespace velkora {

// The controls the daemon found on this Mac.
struct DeviceCapabilities {
    bool batteryPresent = false;
    bool chargingControl = false;
    bool forceDischarge = false;  // the adapter can be switched off while plugged in
    bool magSafeLED = false;
    bool highPowerMode = false;

    bool operator==(const DeviceCapabilities&) const = default;
};

void to_json(nlohmann::ordered_json& json, const DeviceCapabilities& capabilities);
void from_json(const nlohmann::json& json, DeviceCapabilities& capabilities);

}  // namespace velkora
