#pragma once

#include "Services/DesktopPowerSample.h"

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace velkora {

class UtilityQueue;

namespace DesktopPowerReading {

// The computer's power draw: "PDTR" when it is plausible, else the DC-in
// voltage times current when both are positive and their product is
// plausible, else nothing. Plausible means finite, above 0.1 W and below
// 1000 W.
std::optional<double> watts(std::optional<double> pdtr, std::optional<double> voltage,
                            std::optional<double> current);

}  // namespace DesktopPowerReading

// Reads the computer's power draw from the SMC ("PDTR", "VD0R", "ID0R", read
// only, through the process's shared connection) on a serial utility queue
// of its own, "com.velkora.desktop-power".
class DesktopPowerMonitor {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // Readings are stamped with `clock`'s time, the system clock's unless given.
    explicit DesktopPowerMonitor(Clock clock = {});
    // Waits for a reading in progress.
    ~DesktopPowerMonitor();
    DesktopPowerMonitor(const DesktopPowerMonitor&) = delete;
    DesktopPowerMonitor& operator=(const DesktopPowerMonitor&) = delete;

    // One reading, taken on the monitor's queue; the awaiting coroutine
    // resumes on its own thread, once, with the sample, or with nothing when
    // no plausible value was found. Never fails: SMC errors count as a
    // missing key.
    QCoro::Task<std::optional<DesktopPowerSample>> readAsync() const;

private:
    Clock clock_;
    std::unique_ptr<UtilityQueue> queue_;
};

}  // namespace velkora
