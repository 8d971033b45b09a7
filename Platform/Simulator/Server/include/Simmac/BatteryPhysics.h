#pragma once

#include <optional>

namespace simmac {

// What the SMC's control keys ask of the charger, read afresh before every
// simulated second.
struct ChargerControls {
    // "CH0I" or "CH0J" non-zero, or "CHIE" = 0x08: the machine runs from the
    // battery although the adapter is plugged in.
    bool adapterDisabled = false;
    // "CH0B" or "CH0C" non-zero, or the first byte of "CHTE" non-zero.
    bool chargingInhibited = false;
    // "bfF0" = 0x02: the firmware stops charging at `upper` percent ("bfD0")
    // and resumes below `lower` ("bfE0").
    struct FirmwareLimit {
        int lower = 0;
        int upper = 100;

        bool operator==(const FirmwareLimit&) const = default;
    };
    std::optional<FirmwareLimit> firmwareLimit;

    bool operator==(const ChargerControls&) const = default;
};

// The battery, the power adapter and the computer's load of a simulated Mac,
// one simulated second at a time: a three-cell lithium pack whose charge
// current is limited by what the adapter has to spare beyond the load and
// tapers above 80 %, which discharges by the load when the adapter is out or
// disabled, and whose temperature follows the power flowing through it.
// Machines without a battery bay (desktops) keep only the adapter and load.
class BatteryPhysics {
public:
    struct Pack {
        double designCapacityMAh = 6000;
        double fullChargeCapacityMAh = 5500;
        double chargeMAh = 4400;
        int cycleCount = 0;
        double temperatureCelsius = 30;
    };
    struct Adapter {
        bool plugged = true;
        int watts = 70;
        double volts = 20;
    };

    // Seconds the machine's time-remaining estimates stay "still estimating"
    // after the flow changes direction.
    static constexpr int estimateSettlingSeconds = 30;

    // `pack` absent: a machine without a battery bay.
    BatteryPhysics(std::optional<Pack> pack, Adapter adapter, double loadWatts);

    // One simulated second under `controls`.
    void advance(const ChargerControls& controls);
    // Works out the flow for `controls` without letting time pass (after a
    // change made from outside, so that readings follow at once).
    void settle(const ChargerControls& controls);

    // ---- Changes from outside (simmacctl, a capture) ----
    void plug(int watts, double volts);
    void unplug();
    // `percent` 0-100 of the full-charge capacity, shown as it is.
    void setLevel(double percent);
    // The level shown stays this many points off the pack's own state of
    // charge from now on, as a captured machine showed it.
    void setShownLevel(int percent);
    void setTemperature(double celsius);
    void setLoad(double watts);
    void removeBattery();
    void insertBattery();
    // Continues from readings taken on a real or described machine: they stay
    // until the first simulated second or the next change, and the pack's
    // voltage curve is shifted to pass through the voltage read.
    void continueFrom(double voltageMillivolts, double currentMilliamps);

    // ---- State and readings ----
    bool hasBatteryBay() const { return hasBatteryBay_; }
    bool batteryInstalled() const { return hasBatteryBay_ && installed_; }
    const Pack& pack() const { return pack_; }
    const Adapter& adapter() const { return adapter_; }
    double loadWatts() const { return loadWatts_; }

    // Percent of the full-charge capacity as the machine shows it (rounded).
    int level() const;
    // Percent of the full-charge capacity the pack holds (rounded).
    int packLevel() const;
    bool adapterEnabled() const { return adapterEnabled_; }
    bool isCharging() const { return batteryInstalled() && currentMilliamps_ > 0; }
    bool isFullyCharged() const;
    // Positive into the battery.
    double currentMilliamps() const { return currentMilliamps_; }
    double voltageMillivolts() const { return voltageMillivolts_; }
    // Power the adapter delivers (0 when it is out or disabled).
    double adapterInputWatts() const { return adapterInputWatts_; }
    // Minutes; nothing while the estimate settles or when not applicable.
    std::optional<int> minutesToEmpty() const;
    std::optional<int> minutesToFull() const;

private:
    enum class Flow { idle, charging, discharging };

    double stateOfCharge() const;
    double openCircuitVolts() const;
    void computeFlow(const ChargerControls& controls);

    bool hasBatteryBay_;
    bool installed_ = true;
    Pack pack_;
    Adapter adapter_;
    double loadWatts_;
    double ambientCelsius_;
    double voltageOffsetVolts_ = 0;
    int shownLevelOffset_ = 0;
    double dischargedSinceCycleMAh_ = 0;
    bool firmwareHolding_ = false;
    Flow flow_ = Flow::idle;
    int estimateSecondsLeft_ = estimateSettlingSeconds;

    bool adapterEnabled_ = false;
    double currentMilliamps_ = 0;
    double voltageMillivolts_ = 0;
    double adapterInputWatts_ = 0;
};

}  // namespace simmac
