#pragma once

namespace velkora {

// How full the battery is, as the battery colours see it.
enum class BatteryLevelBand { critical, low, healthy };

// 20 % or less (zero and negative values too) is critical, above 50 % healthy
// (with no upper bound), 21 to 50 % low.
constexpr BatteryLevelBand batteryLevelBand(int percentage)
{
    if (percentage <= 20) {
        return BatteryLevelBand::critical;
    }
    if (percentage > 50) {
        return BatteryLevelBand::healthy;
    }
    return BatteryLevelBand::low;
}

}  // namespace velkora
