#include "IOKit/ps/IOPowerSources.h"

#include "RegistryValueDecoding.h"
#include "Simulator/SimmacError.h"

// The blob is the array of descriptions; a source in the list is its index in
// that array, kept beside the array so that a list belongs to its blob.

namespace {

// Blobs are told apart from other values by their one member.
constexpr const char* blobMember = "power sources";

}  // namespace

CFTypeRef IOPSCopyPowerSourcesInfo()
{
    CFTypeRef sources;
    try {
        sources = platform::queryRegistryValue({simulator::QueryOperation::powerSources, {}, {}});
    } catch (const simulator::SimmacError&) {
        return nullptr;
    }
    const CFPropertyValue::Array* descriptions = sources ? sources->get<CFPropertyValue::Array>() : nullptr;
    if (descriptions == nullptr) {
        return nullptr;
    }
    for (const CFTypeRef& description : *descriptions) {
        if (description->type() != CFPropertyType::dictionary) {
            return nullptr;
        }
    }
    CFPropertyValue::Dictionary blob;
    blob.emplace(blobMember, std::move(sources));
    return std::make_shared<const CFPropertyValue>(std::move(blob));
}

CFTypeRef IOPSCopyPowerSourcesList(CFTypeRef blob)
{
    const CFTypeRef descriptions = blob ? blob->member(blobMember) : nullptr;
    const CFPropertyValue::Array* array = descriptions ? descriptions->get<CFPropertyValue::Array>() : nullptr;
    if (array == nullptr) {
        return nullptr;
    }
    CFPropertyValue::Array list;
    for (std::size_t index = 0; index < array->size(); ++index) {
        list.push_back(std::make_shared<const CFPropertyValue>(static_cast<std::int64_t>(index)));
    }
    return std::make_shared<const CFPropertyValue>(std::move(list));
}

CFTypeRef IOPSGetPowerSourceDescription(CFTypeRef blob, CFTypeRef ps)
{
    const CFTypeRef descriptions = blob ? blob->member(blobMember) : nullptr;
    const CFPropertyValue::Array* array = descriptions ? descriptions->get<CFPropertyValue::Array>() : nullptr;
    const std::int64_t* index = ps ? ps->get<std::int64_t>() : nullptr;
    if (array == nullptr || index == nullptr || *index < 0 || static_cast<std::size_t>(*index) >= array->size()) {
        return nullptr;
    }
    return (*array)[static_cast<std::size_t>(*index)];
}
