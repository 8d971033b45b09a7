#pragma once

#include <cstdint>

// Handle types of the IOKit calls. On a Mac these are Mach ports; here they are
// numbers handed out by the stand-in, each naming one object it keeps (a
// matched service or an open connection to simmac). 0 means "none".

using mach_port_t = std::uint32_t;
using io_object_t = mach_port_t;
using io_service_t = io_object_t;
using io_registry_entry_t = io_object_t;
using io_connect_t = io_object_t;
using task_port_t = mach_port_t;
using IOOptionBits = std::uint32_t;

inline constexpr mach_port_t MACH_PORT_NULL = 0;
inline constexpr mach_port_t IO_OBJECT_NULL = 0;

// The main port that every lookup goes through.
inline constexpr mach_port_t kIOMainPortDefault = MACH_PORT_NULL;

// The calling task. The stand-in does not act on another task's behalf, so the
// value is only carried along for the shape of the calls.
mach_port_t mach_task_self();
