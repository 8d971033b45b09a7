#pragma once

#include <cstdint>

#include "IOKit/IOKitLib.h"
#include "IOKit/IOMessage.h"
#include "IOKit/IOReturn.h"
#include "IOKit/IOTypes.h"

// Power management over the simulated Mac: power assertions and the system
// power (sleep and wake) notifications.

// ---- Power assertions -------------------------------------------------------
// An assertion lives in simmac until it is released or the process that made
// it ends (its connection to simmac closes). `simmacctl status` lists them.

using IOPMAssertionID = std::uint32_t;
using IOPMAssertionLevel = std::uint32_t;

inline constexpr IOPMAssertionLevel kIOPMAssertionLevelOff = 0;
inline constexpr IOPMAssertionLevel kIOPMAssertionLevelOn = 255;

inline constexpr const char* kIOPMAssertionTypePreventUserIdleSystemSleep = "PreventUserIdleSystemSleep";
inline constexpr const char* kIOPMAssertionTypePreventUserIdleDisplaySleep = "PreventUserIdleDisplaySleep";
inline constexpr const char* kIOPMAssertionTypePreventSystemSleep = "PreventSystemSleep";

// Creates an assertion of `type` (one of the three above) at `level` (off or
// on) named `name`, and stores its identifier (never 0) in *assertionID.
// kIOReturnBadArgument for a null argument, an unknown type or level;
// kIOReturnNotResponding when simmac cannot be reached.
IOReturn IOPMAssertionCreateWithName(const char* type, IOPMAssertionLevel level, const char* name,
                                     IOPMAssertionID* assertionID);

// Releases an assertion this process made. kIOReturnNotFound for an identifier
// that this process does not hold; kIOReturnNotResponding when simmac cannot
// be reached.
IOReturn IOPMAssertionRelease(IOPMAssertionID assertionID);

// ---- System power notifications ---------------------------------------------
// Registers `callback` for the system's sleep and wake messages. Creates a
// notification port for them into *thePortRef and the registration's notifier
// object into *notifier, and returns the root power domain's connection, which
// acknowledges messages (IOAllowPowerChange) and is closed with IOServiceClose.
// Returns IO_OBJECT_NULL (and creates nothing) when simmac cannot be reached
// or an argument is null.
//
// The callback runs on the thread that dispatches the port
// (IONotificationPortDispatchPending), with `refcon`, the notifier object, the
// message type (IOMessage.h) and, as messageArgument, the notification's
// identifier to pass to IOAllowPowerChange. kIOMessageCanSystemSleep and
// kIOMessageSystemWillSleep wait for that acknowledgement (simmac gives up on
// a client after a few seconds); the power-on messages need none.
io_connect_t IORegisterForSystemPower(void* refcon, IONotificationPortRef* thePortRef,
                                      IOServiceInterestCallback callback, io_object_t* notifier);

// Ends the registration of *notifier; the port stays until
// IONotificationPortDestroy. kIOReturnBadArgument for a null or unknown notifier.
IOReturn IODeregisterForSystemPower(io_object_t* notifier);

// Acknowledges the notification `notificationID` received by the registration
// of `kernelPort`. kIOReturnBadArgument for an unknown connection;
// kIOReturnNotResponding when simmac cannot be reached.
IOReturn IOAllowPowerChange(io_connect_t kernelPort, std::intptr_t notificationID);
