#pragma once

namespace platform {

struct OperatingSystemVersion {
    int majorVersion = 0;
    int minorVersion = 0;
    int patchVersion = 0;
};

// What the running (simulated) operating system tells a process about itself,
// asked of simmac afresh on every call, so that `simmacctl os 26.1` takes
// effect at once. Safe from any thread.
class ProcessInfo {
public:
    // The version of the running system; 0.0.0 when simmac cannot be reached.
    static OperatingSystemVersion operatingSystemVersion();

    // Whether low-power mode is on; false when simmac cannot be reached.
    static bool isLowPowerModeEnabled();
};

}  // namespace platform
