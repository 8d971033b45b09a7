#pragma once

#include <cstdint>

// Message types of the system power notifications (IORegisterForSystemPower),
// with the numbers a Mac uses.
using natural_t = std::uint32_t;

// The system may sleep on idle; acknowledge with IOAllowPowerChange.
inline constexpr natural_t kIOMessageCanSystemSleep = 0xE0000270;
// The system is going to sleep; acknowledge with IOAllowPowerChange.
inline constexpr natural_t kIOMessageSystemWillSleep = 0xE0000280;
// The system is waking; nothing to acknowledge.
inline constexpr natural_t kIOMessageSystemWillPowerOn = 0xE0000320;
// The system has woken; nothing to acknowledge.
inline constexpr natural_t kIOMessageSystemHasPoweredOn = 0xE0000300;
