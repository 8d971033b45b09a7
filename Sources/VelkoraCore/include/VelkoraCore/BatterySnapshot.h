#pragma once

#include <nlohmann/json_fwd.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace velkora {

// One reading of the built-in battery. Currents and powers are signed:
// positive into the battery, negative out of it.
struct BatterySnapshot {
    std::chrono::system_clock::time_point timestamp{};  // survives JSON coding to the microsecond
    std::int64_t percentage = 0;
    std::int64_t hardwarePercentage = 0;
    bool isCharging = false;
    bool isFullyCharged = false;
    bool adapterConnected = false;
    std::optional<std::int64_t> timeRemainingMinutes{};
    double temperatureCelsius = 0;
    double voltageVolts = 0;
    double currentAmps = 0;
    double powerWatts = 0;
    double systemLoadWatts = 0;
    std::int64_t currentCapacityMAh = 0;
    std::int64_t maxCapacityMAh = 0;
    std::int64_t designCapacityMAh = 0;
    std::int64_t macOSCapacityMAh = 0;
    std::int64_t cycleCount = 0;
    std::string condition{};
    std::string serialNumber{};
    bool lowPowerModeEnabled = false;

    bool operator==(const BatterySnapshot&) const = default;
};

void to_json(nlohmann::ordered_json& json, const BatterySnapshot& snapshot);
void from_json(const nlohmann::json& json, BatterySnapshot& snapshot);

}  // namespace velkora
