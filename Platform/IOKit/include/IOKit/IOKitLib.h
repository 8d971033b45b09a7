#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "IOKit/CFPropertyValue.h"
#include "IOKit/IOMessage.h"
#include "IOKit/IOReturn.h"
#include "IOKit/IOTypes.h"

// The service-matching, registry and notification-port parts of IOKit, over
// the simulated Mac (simmac). Every call is safe from any thread. A connection
// (io_connect_t) is one connection to simmac; calls on it from several threads
// are served one after another.

// What a lookup matches: services of one class.
struct IOMatchingDictionary {
    std::string className;
};
using IOMatchingDictionaryRef = std::unique_ptr<IOMatchingDictionary>;

// A matching dictionary for services of the class `name`; consumed by
// IOServiceGetMatchingService. Null when `name` is null.
IOMatchingDictionaryRef IOServiceMatching(const char* name);

// The first service matching `matching`, or IO_OBJECT_NULL when there is none
// (also when simmac is not running). The caller releases the service with
// IOObjectRelease.
io_service_t IOServiceGetMatchingService(mach_port_t mainPort, IOMatchingDictionaryRef matching);

// Opens a user client of `service` into `connect`. Fails with kIOReturnNotFound
// when the service has no user client, kIOReturnNotResponding when simmac
// cannot be reached, kIOReturnBadArgument for a bad handle or a missing
// `connect`.
kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type, io_connect_t* connect);

// Closes a connection opened by IOServiceOpen; the handle is invalid afterwards.
kern_return_t IOServiceClose(io_connect_t connect);

// Calls the user client's struct method `selector`: `inputStruct` goes to the
// service, up to *outputStructCnt bytes come back into `outputStruct`, and
// *outputStructCnt is set to the number of bytes returned.
kern_return_t IOConnectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* inputStruct,
                                        std::size_t inputStructCnt, void* outputStruct,
                                        std::size_t* outputStructCnt);

// Releases a service or connection handle.
kern_return_t IOObjectRelease(io_object_t object);

// A fresh copy of the registry property `key` of `entry` (a service from
// IOServiceGetMatchingService), typed as the registry types it; null when the
// entry has no such property, the handle is not a service, or simmac cannot be
// reached. `allocator` and `options` are carried for the shape of the call.
CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, const char* key, CFAllocatorRef allocator,
                                          IOOptionBits options);

// A fresh copy of every registry property of `entry` into *properties, as one
// dictionary: a reader that needs many of them makes one call instead of one
// per property. Fails with
// kIOReturnBadArgument for a handle that is not a service or a missing
// `properties`, and kIOReturnNotResponding when simmac cannot give them (the
// service is gone, or simmac cannot be reached).
kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry, CFTypeRef* properties,
                                                CFAllocatorRef allocator, IOOptionBits options);

// ---- Notification ports -----------------------------------------------------
// A port receives a process's notifications from simmac (the system power
// messages of IOPMLib.h). Nothing arrives by itself: the process's run loop
// watches the port's file descriptor and, whenever it is readable, calls
// IONotificationPortDispatchPending on the same thread, which runs the
// callbacks. With an Asio io_context on the main thread, for example:
//
//   asio::posix::stream_descriptor watch(context, ::dup(IONotificationPortGetFileDescriptor(port)));
//   std::function<void()> arm = [&] {
//       watch.async_wait(asio::posix::descriptor_base::wait_read, [&](std::error_code error) {
//           if (!error) { IONotificationPortDispatchPending(port); arm(); }
//       });
//   };
//   arm();
//
// The descriptor stays the port's (a watcher that closes what it watches
// watches a duplicate). Once simmac is gone it never becomes readable again.
struct IONotificationPort;
using IONotificationPortRef = IONotificationPort*;

// The callback of a notification: the registration's reference value, the
// object it concerns, the message type (IOMessage.h) and its argument.
using IOServiceInterestCallback = void (*)(void* refcon, io_service_t service, natural_t messageType,
                                           void* messageArgument);

// A new port; it reaches simmac when a registration first uses it.
IONotificationPortRef IONotificationPortCreate(mach_port_t mainPort);

// Ends every registration still using the port and frees it. Null is ignored.
void IONotificationPortDestroy(IONotificationPortRef notify);

// The descriptor that becomes readable when notifications wait on the port;
// -1 before the port is used by a registration, or for a null port.
int IONotificationPortGetFileDescriptor(IONotificationPortRef notify);

// Runs the callbacks of every notification waiting on the port, oldest first,
// and returns without blocking when none waits. Returns how many ran.
std::size_t IONotificationPortDispatchPending(IONotificationPortRef notify);
