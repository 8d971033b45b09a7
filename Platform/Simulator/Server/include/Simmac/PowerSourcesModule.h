#pragma once

#include "Simmac/RegistryValue.h"

namespace simmac {

class BatteryModule;
class Dispatcher;

// The operating system's power-source information, derived from the battery's
// registry entry the way the system derives it, so that a captured entry
// yields the same figures as a simulated one:
//   "Current Capacity"    "CurrentCapacity", as a percentage of "MaxCapacity"
//                         unless the entry counts in percent already
//                         ("AppleRawMaxCapacity" present, or "MaxCapacity" 100)
//   "Is Charging"         "IsCharging";  "Is Charged" (only when true) "FullyCharged"
//   "Power Source State"  "AC Power" while "ExternalConnected" (and
//                         "ExternalChargeCapable" is not false), else "Battery Power"
//   "Time to Empty"       on battery power "AvgTimeToEmpty", -1 while it is
//                         65535 (still estimating) or missing; 0 on AC power
//   "Time to Full Charge" while charging "AvgTimeToFull", -1 likewise; else 0
//   "Temperature", "Current" the entry's "Temperature" and "Amperage"
// with "Max Capacity" 100, "Is Present", "Name", "Type" and "Transport Type".
// There is one source, the internal battery, while the entry says a battery is
// installed, and none otherwise. They answer the query for the power sources
// (simulator::QueryMessage) as an array of description dictionaries.
class PowerSourcesModule {
public:
    PowerSourcesModule(Dispatcher& dispatcher, const BatteryModule& battery);

    // The descriptions, each a registry dictionary.
    nlohmann::ordered_json sources() const;

private:
    const BatteryModule& battery_;
};

// The description of the internal battery for the entry `smartBattery`.
registry::Value internalBatteryDescription(const registry::Value& smartBattery);

}  // namespace simmac
