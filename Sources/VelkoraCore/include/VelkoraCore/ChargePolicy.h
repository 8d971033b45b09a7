#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>

namespace velkora {

// The user's charging rules. The member initialisers are the default policy.
struct ChargePolicy {
    bool managementEnabled = false;
    std::int64_t chargeLimit = 80;  // percent, 20...100 once normalised
    // Carried, stored and coded; no rule consults it: above the limit the
    // engine always discharges to the limit.
    bool automaticDischarge = false;
    bool sailingEnabled = true;
    std::int64_t sailingDelta = 5;  // percentage points, 1...20 once normalised
    bool heatProtectionEnabled = false;
    std::int64_t heatLimitCelsius = 40;  // 30...45 once normalised
    bool useHardwarePercentage = false;
    bool preserveWhenAppClosed = true;
    bool stopChargingBeforeSleep = true;
    bool preventSleepUntilLimit = false;
    bool manageMagSafeLED = true;

    static constexpr ChargePolicy defaultPolicy() { return ChargePolicy{}; }

    // Clamps the limit, the sailing delta and the heat limit into their ranges;
    // the engine relies on it. Decoding does not normalise.
    void normalize();

    bool operator==(const ChargePolicy&) const = default;
};

void to_json(nlohmann::ordered_json& json, const ChargePolicy& policy);
void from_json(const nlohmann::json& json, ChargePolicy& policy);

}  // namespace velkora
