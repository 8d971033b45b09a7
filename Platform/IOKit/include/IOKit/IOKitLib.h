#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "IOKit/IOReturn.h"
#include "IOKit/IOTypes.h"

// The service-matching part of IOKit, over the simulated Mac (simmac). Every
// call is safe from any thread. A connection (io_connect_t) is one connection
// to simmac; calls on it from several threads are served one after another.

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
