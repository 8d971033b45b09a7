#include "Simmac/BatteryPhysics.h"

#include <algorithm>
#include <cmath>

namespace simmac {

namespace {

constexpr int cells = 3;
constexpr double cellEmptyVolts = 3.45;
constexpr double cellFullVolts = 4.2;
constexpr double internalResistanceOhms = 0.15;
// Largest charge current as a fraction of the capacity per hour (0.7 C).
constexpr double maximumChargeRate = 0.7;
// Above this state of charge the charge current falls linearly to a trickle.
constexpr double taperStart = 0.8;
constexpr double trickleFraction = 0.05;
// How fast the pack's temperature approaches its target, per second, and how
// much each watt through the pack warms it.
constexpr double thermalRate = 1.0 / 600;
constexpr double heatPerChargeWatt = 0.12;
constexpr double heatPerDischargeWatt = 0.03;

}  // namespace

BatteryPhysics::BatteryPhysics(std::optional<Pack> pack, Adapter adapter, double loadWatts)
    : hasBatteryBay_(pack.has_value()),
      pack_(pack.value_or(Pack{})),
      adapter_(adapter),
      loadWatts_(loadWatts),
      ambientCelsius_(pack_.temperatureCelsius)
{
    settle({});
}

double BatteryPhysics::stateOfCharge() const
{
    return pack_.fullChargeCapacityMAh > 0 ? std::clamp(pack_.chargeMAh / pack_.fullChargeCapacityMAh, 0.0, 1.0)
                                           : 0.0;
}

int BatteryPhysics::packLevel() const
{
    return batteryInstalled() ? static_cast<int>(std::lround(stateOfCharge() * 100)) : 0;
}

int BatteryPhysics::level() const
{
    return batteryInstalled() ? std::clamp(packLevel() + shownLevelOffset_, 0, 100) : 0;
}

bool BatteryPhysics::isFullyCharged() const
{
    return batteryInstalled() && pack_.fullChargeCapacityMAh > 0 && pack_.chargeMAh >= pack_.fullChargeCapacityMAh;
}

double BatteryPhysics::openCircuitVolts() const
{
    return cells * (cellEmptyVolts + (cellFullVolts - cellEmptyVolts) * stateOfCharge()) + voltageOffsetVolts_;
}

void BatteryPhysics::computeFlow(const ChargerControls& controls)
{
    adapterEnabled_ = adapter_.plugged && !controls.adapterDisabled;
    if (!batteryInstalled()) {
        currentMilliamps_ = 0;
        voltageMillivolts_ = 0;
        adapterInputWatts_ = adapterEnabled_ ? loadWatts_ : 0;
        flow_ = Flow::idle;
        return;
    }

    const int percent = level();
    if (controls.firmwareLimit) {
        if (percent >= controls.firmwareLimit->upper) {
            firmwareHolding_ = true;
        } else if (percent < controls.firmwareLimit->lower) {
            firmwareHolding_ = false;
        }
    } else {
        firmwareHolding_ = false;
    }

    const double volts = openCircuitVolts();
    double amps = 0;
    if (adapterEnabled_) {
        const double spareWatts = adapter_.watts - loadWatts_;
        if (spareWatts < 0) {
            // The adapter cannot carry the load alone: the battery makes up the rest.
            amps = spareWatts / volts;
        } else if (!controls.chargingInhibited && !firmwareHolding_ && !isFullyCharged()) {
            const double soc = stateOfCharge();
            const double taper =
                soc < taperStart ? 1.0 : std::max(trickleFraction, 1.0 - (soc - taperStart) / (1.0 - taperStart));
            const double limitAmps = maximumChargeRate * pack_.fullChargeCapacityMAh / 1000;
            amps = std::min(spareWatts / volts, limitAmps) * taper;
        }
        adapterInputWatts_ = std::min<double>(adapter_.watts, loadWatts_ + std::max(0.0, amps) * volts);
    } else {
        amps = -loadWatts_ / volts;
        adapterInputWatts_ = 0;
    }
    if (pack_.chargeMAh <= 0 && amps < 0) {
        amps = 0;
    }
    currentMilliamps_ = amps * 1000;
    voltageMillivolts_ = (volts + amps * internalResistanceOhms) * 1000;

    const Flow flow = amps > 0 ? Flow::charging : amps < 0 ? Flow::discharging : Flow::idle;
    if (flow != flow_) {
        flow_ = flow;
        estimateSecondsLeft_ = estimateSettlingSeconds;
    }
}

void BatteryPhysics::settle(const ChargerControls& controls)
{
    computeFlow(controls);
}

void BatteryPhysics::advance(const ChargerControls& controls)
{
    computeFlow(controls);
    if (estimateSecondsLeft_ > 0) {
        --estimateSecondsLeft_;
    }
    if (!batteryInstalled()) {
        return;
    }
    const double deltaMAh = currentMilliamps_ / 3600;
    pack_.chargeMAh = std::clamp(pack_.chargeMAh + deltaMAh, 0.0, pack_.fullChargeCapacityMAh);
    if (deltaMAh < 0 && pack_.fullChargeCapacityMAh > 0) {
        dischargedSinceCycleMAh_ -= deltaMAh;
        while (dischargedSinceCycleMAh_ >= pack_.fullChargeCapacityMAh) {
            dischargedSinceCycleMAh_ -= pack_.fullChargeCapacityMAh;
            ++pack_.cycleCount;
        }
    }
    const double watts = currentMilliamps_ * voltageMillivolts_ / 1e6;
    const double target =
        ambientCelsius_ + (watts > 0 ? heatPerChargeWatt * watts : heatPerDischargeWatt * -watts);
    pack_.temperatureCelsius += (target - pack_.temperatureCelsius) * thermalRate;
}

std::optional<int> BatteryPhysics::minutesToEmpty() const
{
    if (flow_ != Flow::discharging || estimateSecondsLeft_ > 0) {
        return std::nullopt;
    }
    return static_cast<int>(pack_.chargeMAh / -currentMilliamps_ * 60);
}

std::optional<int> BatteryPhysics::minutesToFull() const
{
    if (flow_ != Flow::charging || estimateSecondsLeft_ > 0) {
        return std::nullopt;
    }
    return static_cast<int>(std::ceil((pack_.fullChargeCapacityMAh - pack_.chargeMAh) / currentMilliamps_ * 60));
}

void BatteryPhysics::plug(int watts, double volts)
{
    adapter_ = {true, watts, volts};
}

void BatteryPhysics::unplug()
{
    adapter_.plugged = false;
}

void BatteryPhysics::setLevel(double percent)
{
    pack_.chargeMAh = pack_.fullChargeCapacityMAh * std::clamp(percent, 0.0, 100.0) / 100;
    shownLevelOffset_ = 0;
}

void BatteryPhysics::setShownLevel(int percent)
{
    shownLevelOffset_ = percent - packLevel();
}

void BatteryPhysics::setTemperature(double celsius)
{
    pack_.temperatureCelsius = celsius;
    ambientCelsius_ = celsius;
}

void BatteryPhysics::setLoad(double watts)
{
    loadWatts_ = watts;
}

void BatteryPhysics::removeBattery()
{
    installed_ = false;
}

void BatteryPhysics::insertBattery()
{
    installed_ = true;
}

void BatteryPhysics::continueFrom(double voltageMillivolts, double currentMilliamps)
{
    if (!batteryInstalled()) {
        return;
    }
    voltageOffsetVolts_ = 0;
    if (voltageMillivolts > 0) {
        voltageOffsetVolts_ =
            voltageMillivolts / 1000 - currentMilliamps / 1000 * internalResistanceOhms - openCircuitVolts();
    }
    currentMilliamps_ = currentMilliamps;
    voltageMillivolts_ = voltageMillivolts;
    const double batteryWatts = currentMilliamps * voltageMillivolts / 1e6;
    adapterInputWatts_ =
        adapterEnabled_ ? std::clamp(loadWatts_ + batteryWatts, 0.0, static_cast<double>(adapter_.watts)) : 0;
    flow_ = currentMilliamps > 0 ? Flow::charging : currentMilliamps < 0 ? Flow::discharging : Flow::idle;
    // The readings come from a machine in a steady state: its estimates stand.
    estimateSecondsLeft_ = 0;
}

}  // namespace simmac
