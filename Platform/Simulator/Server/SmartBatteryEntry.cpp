#include "Simmac/SmartBatteryEntry.h"

#include <cmath>

namespace simmac {

namespace {

constexpr std::int64_t noEstimate = 65535;

std::int64_t rounded(double value)
{
    return static_cast<std::int64_t>(std::lround(value));
}

registry::Value adapterDetails(const BatteryPhysics& physics, const registry::Value& base)
{
    const BatteryPhysics::Adapter& adapter = physics.adapter();
    if (!adapter.plugged) {
        return registry::dictionary();
    }
    // A captured adapter keeps its details, the rated current among them, for
    // as long as it is the one plugged in.
    const registry::Value* captured = registry::member(base, "AdapterDetails");
    const auto capturedDetail = [&](const char* key) {
        return captured != nullptr ? registry::integerOf(registry::member(*captured, key)) : std::nullopt;
    };
    if (capturedDetail("Watts") == adapter.watts &&
        capturedDetail("AdapterVoltage") == rounded(adapter.volts * 1000)) {
        return *captured;
    }
    registry::Value details = captured != nullptr && capturedDetail("Watts") ? *captured : registry::dictionary();
    registry::setMember(details, "Watts", registry::integer(adapter.watts));
    registry::setMember(details, "AdapterVoltage", registry::integer(rounded(adapter.volts * 1000)));
    registry::setMember(details, "Current",
                        registry::integer(adapter.volts > 0 ? rounded(adapter.watts / adapter.volts * 1000) : 0));
    return details;
}

}  // namespace

CapacityUnits capacityUnitsOf(const registry::Value& entry)
{
    const auto integer = [&](const char* key) { return registry::integerOf(registry::member(entry, key)); };
    return integer("AppleRawMaxCapacity").has_value() || integer("MaxCapacity") == 100 ? CapacityUnits::percent
                                                                                         : CapacityUnits::milliampHours;
}

registry::Value smartBatteryEntry(const BatteryPhysics& physics, CapacityUnits units, const registry::Value& base)
{
    registry::Value entry = base;
    const bool installed = physics.batteryInstalled();
    const BatteryPhysics::Pack& pack = physics.pack();
    const std::int64_t chargeMAh = installed ? rounded(pack.chargeMAh) : 0;
    const std::int64_t fullMAh = installed ? rounded(pack.fullChargeCapacityMAh) : 0;
    const auto set = [&](const char* key, registry::Value value) { registry::setMember(entry, key, std::move(value)); };

    set("BatteryInstalled", registry::boolean(installed));
    set("BatteryPackCount", registry::integer(installed ? 1 : 0));
    set("ExternalConnected", registry::boolean(physics.adapter().plugged));
    set("ExternalChargeCapable", registry::boolean(physics.adapterEnabled()));
    set("IsCharging", registry::boolean(physics.isCharging()));
    set("FullyCharged", registry::boolean(physics.isFullyCharged()));
    if (units == CapacityUnits::percent) {
        set("CurrentCapacity", registry::integer(physics.level()));
        set("MaxCapacity", registry::integer(installed ? 100 : 0));
        set("AppleRawCurrentCapacity", registry::integer(chargeMAh));
        set("AppleRawMaxCapacity", registry::integer(fullMAh));
        // A captured figure stays: the pack's nominal capacity is not the
        // gauge's present maximum.
        if (registry::member(base, "NominalChargeCapacity") == nullptr) {
            set("NominalChargeCapacity", registry::integer(fullMAh));
        }
    } else {
        set("CurrentCapacity", registry::integer(chargeMAh));
        set("MaxCapacity", registry::integer(fullMAh));
    }
    set("DesignCapacity", registry::integer(rounded(pack.designCapacityMAh)));
    set("CycleCount", registry::integer(pack.cycleCount));
    set("Temperature", registry::integer(installed ? rounded((pack.temperatureCelsius + 273.15) * 10) : 0));
    set("Voltage", registry::integer(rounded(physics.voltageMillivolts())));
    set("Amperage", registry::integer(rounded(physics.currentMilliamps())));
    set("AvgTimeToEmpty", registry::integer(physics.minutesToEmpty().value_or(noEstimate)));
    set("AvgTimeToFull", registry::integer(physics.minutesToFull().value_or(noEstimate)));
    set("AdapterDetails", adapterDetails(physics, base));
    return entry;
}

}  // namespace simmac
