#pragma once

#include "VelkoraCore/PowerMode.h"

#include <QByteArray>

#include <qcoro/qcorotask.h>

#include <optional>

namespace velkora {

// The power mode the system has for each power source; nothing for a source
// it does not report (a Mac without the setting, or a reading that failed).
struct SystemPowerModes {
    std::optional<PowerMode> battery;
    std::optional<PowerMode> adapter;

    bool operator==(const SystemPowerModes&) const = default;
};

// Reads the power modes with the system's "/usr/bin/pmset -g custom" (under
// the simulated root), which any user may run.
class PowerModeReader {
public:
    // Runs the tool on a background thread and resumes on the caller's.
    // Never fails: a tool that cannot start, fails, prints too much or does
    // not end within 10 seconds gives no modes.
    static QCoro::Task<SystemPowerModes> read();

    // The modes in the tool's output: the "powermode" line (0 automatic,
    // 1 low, 2 high) of the "Battery Power:" and "AC Power:" sections;
    // anything else in the output is ignored.
    static SystemPowerModes parse(const QByteArray& output);

private:
    static SystemPowerModes readNow();
};

}  // namespace velkora
