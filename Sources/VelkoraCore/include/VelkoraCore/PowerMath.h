#pragma once

namespace velkora::PowerMath {

// Watts drawn by the system: what the adapter delivers (never below 0) minus
// what goes into the battery (signed, negative while discharging), never below 0.
double systemLoadWatts(double adapterPower, double batteryPower);

}  // namespace velkora::PowerMath
