#pragma once

#include "IOKit/CFPropertyValue.h"

// The power-source information of the simulated Mac: one source, the internal
// battery, while the machine has one; none on a Mac without a battery. A
// description is a dictionary with the keys a Mac reports, among them
// "Current Capacity" (percent), "Max Capacity" (100), "Is Charging",
// "Is Charged" (only while fully charged), "Power Source State" ("AC Power" or
// "Battery Power"), "Time to Empty" and "Time to Full Charge" (minutes; -1
// while the estimate is still being made, 0 when not applicable),
// "Temperature" (tenths of a kelvin), "Current" (mA), "Name", "Type",
// "Transport Type" and "Is Present".

// A snapshot of every power source, taken now; null when simmac cannot be
// reached.
CFTypeRef IOPSCopyPowerSourcesInfo();

// The power sources of `blob` as an array, in the system's order; null for a
// null or foreign blob.
CFTypeRef IOPSCopyPowerSourcesList(CFTypeRef blob);

// The description dictionary of the source `ps` (an element of the list) in
// `blob`; null when either is null or they do not belong together. The
// result shares `blob`'s lifetime.
CFTypeRef IOPSGetPowerSourceDescription(CFTypeRef blob, CFTypeRef ps);
