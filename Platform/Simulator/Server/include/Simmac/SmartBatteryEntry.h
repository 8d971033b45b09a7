#pragma once

#include "Simmac/BatteryPhysics.h"
#include "Simmac/RegistryValue.h"

namespace simmac {

// How a battery's registry entry states its capacities: "CurrentCapacity" and
// "MaxCapacity" in percent with the mAh figures in "AppleRawCurrentCapacity",
// "AppleRawMaxCapacity" and "NominalChargeCapacity" (Apple silicon), or both in
// mAh without those keys (Intel).
enum class CapacityUnits {
    percent,
    milliampHours,
};

// The units the entry `entry` states its capacities in: percent when it has
// "AppleRawMaxCapacity" or its "MaxCapacity" is 100, else mAh.
CapacityUnits capacityUnitsOf(const registry::Value& entry);

// The registry entry of class "AppleSmartBattery" for the battery's present
// state: the keys the physics drives are written over `base`, the entry's
// other properties (a model's fixed ones such as "BatterySerialNumber", or
// every key of a captured entry), which stay as they are.
//
// Driven keys: "BatteryInstalled", "BatteryPackCount", "ExternalConnected",
// "ExternalChargeCapable", "IsCharging", "FullyCharged", "CurrentCapacity",
// "MaxCapacity", "DesignCapacity", "CycleCount", "Temperature" (tenths of a
// kelvin), "Voltage" (mV), "Amperage" (mA, negative while discharging),
// "AvgTimeToEmpty" and "AvgTimeToFull" (minutes, 65535 when none),
// "AdapterDetails" ({"Watts", "AdapterVoltage" mV, "Current" mA} while plugged
// in, else empty, with any further captured members kept while plugged in);
// in percent units also "AppleRawCurrentCapacity", "AppleRawMaxCapacity" and,
// unless `base` has it, "NominalChargeCapacity".
registry::Value smartBatteryEntry(const BatteryPhysics& physics, CapacityUnits units, const registry::Value& base);

}  // namespace simmac
