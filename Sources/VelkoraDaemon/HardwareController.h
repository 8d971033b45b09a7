#pragma once

#include "HardwareError.h"

#include <SMCKit/KeyCode.h>
#include <VelkoraCore/DeviceCapabilities.h>
#include <VelkoraCore/MagSafeLEDMode.h>
#include <VelkoraCore/PowerMode.h>
#include <VelkoraCore/PowerSnapshot.h>
#include <VelkoraCore/PowerSourceKind.h>

#include <IOKit/IOTypes.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace smckit {
class SMCKit;
}

namespace velkora {

// The daemon's only door to the power hardware: the battery's registry
// service, the SMC control keys this Mac offers, the charging and adapter
// mechanisms chosen from them, verified control writes, the battery and
// adapter reading, and the power mode.
//
// Not safe for concurrent use: after construction every operation runs on the
// daemon's state queue. Reads never fail, but for a reading of the battery
// when the system does not answer; writes throw HardwareError, and
// setPowerMode also passes on the platform's error when the tool cannot start.
class HardwareController {
public:
    // How a read-back waits between its attempts.
    using Pause = std::function<void(std::chrono::milliseconds)>;

    // Over the process's shared SMC connection, pausing the calling thread.
    // Opens the battery service and probes the control keys.
    HardwareController();
    // Over `smc`, which must outlive the controller, pausing with `pause`.
    HardwareController(smckit::SMCKit& smc, Pause pause);
    // Releases the battery service.
    ~HardwareController();
    HardwareController(const HardwareController&) = delete;
    HardwareController& operator=(const HardwareController&) = delete;

    // Re-opens the battery service and probes again.
    void refreshCapabilities();
    // When the SMC connection is gone (the SMC's driver restarted or hung,
    // so every call fails as not responding), opens it again, at most once
    // per back-off that starts at half a second and doubles up to eight, and
    // probes again. True when the connection was opened again: what the
    // caller believes the hardware holds may be stale.
    bool reopenLostConnection();
    // Finds which control keys are usable, when a battery is installed, and
    // replaces the capabilities whole.
    void probeCapabilities();

    const DeviceCapabilities& capabilities() const;
    // Charging is held by the firmware's bounds rather than switched directly.
    bool usesFirmwareChargeLimit() const;

    // true: allowed, false: inhibited, nothing: not readable (or the Mac has
    // the firmware limit, whose charging is not switched directly).
    std::optional<bool> readChargingEnabled() const;
    // true: adapter on, false: switched off, nothing: not readable.
    std::optional<bool> readAdapterEnabled() const;

    void setCharging(bool enabled);
    void setAdapter(bool enabled);
    void setLED(MagSafeLEDMode mode);
    // Keeps the charge between `lower` and `upper` percent; writes nothing
    // when that limit is already active.
    void ensureFirmwareChargeLimit(int lower, int upper);
    // Switches the firmware limit off; nothing on a Mac without one.
    void disableFirmwareChargeLimit();
    // Adapter on, charging allowed (or the firmware limit off), LED to the
    // system's; every failure is ignored.
    void restoreDefaults();

    // One reading of the battery and the adapter from the registry, the power
    // source and the SMC; PowerSnapshot::noBattery() without a battery.
    // Throws HardwareError when the registry does not answer: a hung system
    // must not pass for a Mac without a battery.
    PowerSnapshot readSnapshot() const;

    // The kind of Mac the probe found, for the log: how charging and the adapter
    // are switched, for example "charging by firmware limit (bfF0/bfD0/bfE0),
    // adapter by CH0J".
    std::string describeControls() const;

    // Runs "/usr/bin/pmset" to set the power mode used on `source`.
    void setPowerMode(PowerSourceKind source, PowerMode mode);

private:
    enum class ChargingControl { firmwareLimit, legacyInhibit, chteInhibit };
    enum class AdapterControl { ch0i, ch0j, chie };

    std::optional<ChargingControl> chargingControl() const;
    std::optional<AdapterControl> adapterControl() const;
    static smckit::KeyCode adapterKey(AdapterControl control);
    bool canRead(smckit::KeyCode key) const;
    bool supportsHighPowerMode() const;
    std::optional<std::uint8_t> readFirstByte(smckit::KeyCode key) const;
    std::optional<std::uint32_t> readLittleEndianUInt32(smckit::KeyCode key) const;
    std::vector<std::uint8_t> smcBytes(smckit::KeyCode key) const;

    void writeSMC(smckit::KeyCode key, const std::string& valueDescription, const std::function<void()>& operation);
    void writeControlValue(smckit::KeyCode key, std::span<const std::uint8_t> bytes);
    void verify(smckit::KeyCode key, std::uint8_t expectedFirstByte);
    void writeAndVerify(smckit::KeyCode key, std::span<const std::uint8_t> bytes);
    // writeSMC around the write of `bytes` and the read-back of their first byte.
    void writeSwitch(smckit::KeyCode key, std::span<const std::uint8_t> bytes);
    void writeSwitch(smckit::KeyCode key, std::uint8_t value);

    DeviceCapabilities capabilities_{};
    io_service_t batteryService = IO_OBJECT_NULL;
    bool hasCH0B = false;
    bool hasCH0C = false;
    bool hasCHTE = false;
    bool hasFirmwareLimitActivation = false;
    bool hasFirmwareLimitUpper = false;
    bool hasFirmwareLimitLower = false;
    bool hasCH0I = false;
    bool hasCH0J = false;
    bool hasCHIE = false;
    bool hasACLC = false;
    bool onMacOS26OrLater = false;

    smckit::SMCKit* smc = nullptr;
    Pause pause;
    std::chrono::steady_clock::duration reopenBackOff{};
    std::chrono::steady_clock::time_point nextReopenAt;
};

}  // namespace velkora
