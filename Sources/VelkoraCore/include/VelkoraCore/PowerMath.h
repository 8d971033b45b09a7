#pragma once

#include <cstdint>

namespace velkora::PowerMath {

// Watts drawn by the system: what the adapter delivers (never below 0) minus
// what goes into the battery (signed, negative while discharging), never below 0.
double systemLoadWatts(double adapterPower, double batteryPower);

// part x 100 / whole, truncated toward zero, for a whole of 1 or more. The
// figures come from the battery's registry entry, which a pasted dump can fill
// with anything, so the product is taken wide and the result saturates instead
// of overflowing.
std::int64_t percentage(std::int64_t part, std::int64_t whole);

}  // namespace velkora::PowerMath
