#pragma once

#include "VelkoraCore/ChargePolicy.h"
#include "VelkoraCore/ControlCommand.h"
#include "VelkoraCore/PowerSnapshot.h"

#include <qcoro/qcorotask.h>

namespace velkora {

// The Shortcuts actions' one way to the battery and the helper daemon. It
// stands apart from the application's model: every call looks the battery up
// with a BatteryMonitor of its own and, once a battery is known, talks to the
// daemon through a DaemonClient of its own, whose connection it closes when
// the call ends, however it ends. Calls share nothing, so they may run at
// the same time on any thread that runs a Qt event loop (their coroutines
// resume there).
//
// Every call first throws BatteryIntentError::noBuiltInBattery() on a Mac
// without a built-in battery, before anything is sent to the daemon.
class IntentBridge {
public:
    IntentBridge() = delete;

    static constexpr double commandTimeout = 5.0;
    static constexpr double snapshotTimeout = 10.0;

    static void requireBattery();
    // Sends `command`; the daemon's reply. The client's errors (ClientError,
    // a decoding error) pass unchanged.
    static QCoro::Task<PowerSnapshot> perform(ControlCommand command);
    // The daemon's snapshot or, when the daemon cannot give one, a reading
    // taken in this process. Fails only for a missing battery.
    static QCoro::Task<PowerSnapshot> snapshot();
    // The daemon's policy (the client's own 10-second time-out); its errors
    // pass unchanged.
    static QCoro::Task<ChargePolicy> policy();
};

}  // namespace velkora
