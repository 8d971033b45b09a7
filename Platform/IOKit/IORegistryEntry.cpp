#include "IOKit/IOKitLib.h"
#include "IOObjectTable.h"
#include "RegistryValueDecoding.h"
#include "Simulator/SimmacError.h"

using platform::IOObjectTable;

namespace {

const IOObjectTable::Service* serviceOf(const std::shared_ptr<const IOObjectTable::Object>& object)
{
    return object ? std::get_if<IOObjectTable::Service>(object.get()) : nullptr;
}

}  // namespace

CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, const char* key, CFAllocatorRef, IOOptionBits)
{
    if (key == nullptr) {
        return nullptr;
    }
    const auto object = IOObjectTable::shared().find(entry);
    const IOObjectTable::Service* service = serviceOf(object);
    if (service == nullptr) {
        return nullptr;
    }
    try {
        return platform::queryRegistryValue({simulator::QueryOperation::registryProperty, service->className, key});
    } catch (const simulator::SimmacError&) {
        // The service is gone (another model) or simmac is: no property.
        return nullptr;
    }
}

kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry, CFTypeRef* properties, CFAllocatorRef,
                                                IOOptionBits)
{
    const auto object = IOObjectTable::shared().find(entry);
    const IOObjectTable::Service* service = serviceOf(object);
    if (service == nullptr || properties == nullptr) {
        return kIOReturnBadArgument;
    }
    CFTypeRef value;
    try {
        value = platform::queryRegistryValue({simulator::QueryOperation::registryProperties, service->className, {}});
    } catch (const simulator::SimmacUnreachable&) {
        return kIOReturnNotResponding;
    } catch (const simulator::SimmacError&) {
        // The service is gone (another model).
        return kIOReturnNotFound;
    }
    if (!value || value->get<CFPropertyValue::Dictionary>() == nullptr) {
        return kIOReturnNotResponding;
    }
    *properties = std::move(value);
    return kIOReturnSuccess;
}
