#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>

namespace velkora {

// One reading of the power adapter.
struct AdapterSnapshot {
    bool connected = false;
    double voltageVolts = 0;
    double currentAmps = 0;
    double inputWatts = 0;  // actually drawn
    std::int64_t ratedWatts = 0;

    bool operator==(const AdapterSnapshot&) const = default;
};

void to_json(nlohmann::ordered_json& json, const AdapterSnapshot& snapshot);
void from_json(const nlohmann::json& json, AdapterSnapshot& snapshot);

}  // namespace velkora
