#pragma once

#include <cstdint>
#include <optional>

namespace velkora::BatteryPresence {

// Whether a Mac has a built-in battery, from the battery service's
// "BatteryInstalled", "BatteryPackCount" and "MaxCapacity" (absent when missing).
// An explicit installed flag decides alone; then a positive pack count; then
// a positive maximum capacity.
bool isInstalled(std::optional<bool> installedFlag, std::optional<std::int64_t> packCount,
                 std::optional<std::int64_t> maxCapacity);

}  // namespace velkora::BatteryPresence
