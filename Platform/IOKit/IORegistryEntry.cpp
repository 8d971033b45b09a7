#include "IOKit/IOKitLib.h"
#include "IOObjectTable.h"
#include "RegistryValueDecoding.h"
#include "Simulator/SharedSimmacConnection.h"

using platform::IOObjectTable;

CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, const char* key, CFAllocatorRef, IOOptionBits)
{
    if (key == nullptr) {
        return nullptr;
    }
    const auto object = IOObjectTable::shared().find(entry);
    const auto* service = object ? std::get_if<IOObjectTable::Service>(object.get()) : nullptr;
    if (service == nullptr) {
        return nullptr;
    }
    CFTypeRef value;
    try {
        simulator::SharedSimmacConnection::query(
            {simulator::QueryOperation::registryProperty, service->className, key},
            [&value](std::span<const std::uint8_t> encoded) { value = platform::decodeRegistryValue(encoded); });
    } catch (const simulator::SimmacError&) {
        // The service is gone (another model) or simmac is: no property.
        return nullptr;
    }
    return value;
}
