#pragma once

#include <chrono>

namespace velkora {

// One reading of the whole computer's power draw. Its time stamp is also its
// identity: no two readings are taken at the same instant.
struct DesktopPowerSample {
    std::chrono::system_clock::time_point timestamp{};
    double watts = 0;

    bool operator==(const DesktopPowerSample&) const = default;
};

}  // namespace velkora
