#pragma once

namespace velkora {

// Whether this Mac has a built-in battery: `detecting` until the model knows.
enum class BatteryAvailability { detecting, present, absent };

}  // namespace velkora
