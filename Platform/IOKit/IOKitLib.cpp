#include "IOKit/IOKitLib.h"

#include <chrono>
#include <span>

#include "IOObjectTable.h"
#include "Simulator/SharedSimmacConnection.h"
#include "Simulator/StructMethodMessage.h"

using platform::IOObjectTable;

namespace {

// A user client answers a call at once; one that does not within this has
// hung, and its connection is given up (kIOReturnNotResponding from then on).
constexpr std::chrono::milliseconds userClientCallTimeout{1000};

}  // namespace

mach_port_t mach_task_self()
{
    // Any non-null port: the stand-in only ever acts for the calling process.
    return 1;
}

IOMatchingDictionaryRef IOServiceMatching(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    return std::make_unique<IOMatchingDictionary>(IOMatchingDictionary{name});
}

io_service_t IOServiceGetMatchingService(mach_port_t, IOMatchingDictionaryRef matching)
{
    if (!matching) {
        return IO_OBJECT_NULL;
    }
    try {
        const auto reply = simulator::SharedSimmacConnection::request("iokit.match", {{"class", matching->className}});
        if (!reply.value("found", false)) {
            return IO_OBJECT_NULL;
        }
    } catch (const simulator::SimmacError&) {
        // No simulated Mac, no services.
        return IO_OBJECT_NULL;
    }
    return IOObjectTable::shared().insert(IOObjectTable::Service{matching->className});
}

kern_return_t IOServiceOpen(io_service_t service, task_port_t, std::uint32_t type, io_connect_t* connect)
{
    if (connect == nullptr) {
        return kIOReturnBadArgument;
    }
    const auto object = IOObjectTable::shared().find(service);
    const auto* matched = object ? std::get_if<IOObjectTable::Service>(&*object) : nullptr;
    if (matched == nullptr) {
        return kIOReturnBadArgument;
    }
    IOObjectTable::Connection connection;
    try {
        connection = std::make_shared<simulator::SimmacConnection>();
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotResponding;
    }
    try {
        connection->openUserClient(matched->className, type, simulator::SharedSimmacConnection::responseTimeout);
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotFound;
    }
    *connect = IOObjectTable::shared().insert(std::move(connection));
    return kIOReturnSuccess;
}

kern_return_t IOServiceClose(io_connect_t connect)
{
    const auto object = IOObjectTable::shared().find(connect);
    if (!object || !(std::holds_alternative<IOObjectTable::Connection>(*object) ||
                     std::holds_alternative<IOObjectTable::RootDomain>(*object))) {
        return kIOReturnBadArgument;
    }
    IOObjectTable::shared().remove(connect);
    return kIOReturnSuccess;
}

kern_return_t IOConnectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* inputStruct,
                                        std::size_t inputStructCnt, void* outputStruct,
                                        std::size_t* outputStructCnt)
{
    if ((inputStruct == nullptr && inputStructCnt > 0) || (outputStruct == nullptr && outputStructCnt != nullptr &&
                                                           *outputStructCnt > 0)) {
        return kIOReturnBadArgument;
    }
    const auto object = IOObjectTable::shared().find(connection);
    const auto* simmac = object ? std::get_if<IOObjectTable::Connection>(&*object) : nullptr;
    if (simmac == nullptr) {
        return kIOReturnNotOpen;
    }
    const std::size_t capacity = outputStructCnt != nullptr ? *outputStructCnt : 0;
    if (inputStructCnt > simulator::maximumStructSize || capacity > simulator::maximumStructSize) {
        return kIOReturnMessageTooLarge;
    }
    try {
        const auto result = (*simmac)->callStructMethod(
            selector, std::span(static_cast<const std::uint8_t*>(inputStruct), inputStructCnt),
            std::span(static_cast<std::uint8_t*>(outputStruct), capacity), userClientCallTimeout);
        if (outputStructCnt != nullptr) {
            *outputStructCnt = result.outputLength;
        }
        return result.status;
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotResponding;
    }
}

kern_return_t IOObjectRelease(io_object_t object)
{
    return IOObjectTable::shared().remove(object) ? kIOReturnSuccess : kIOReturnBadArgument;
}
