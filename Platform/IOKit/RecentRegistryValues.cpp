#include "RecentRegistryValues.h"

#include <algorithm>

#include "RegistryValueDecoding.h"

namespace platform {

namespace {

constexpr std::size_t maximumEntries = 64;

}  // namespace

RecentRegistryValues& RecentRegistryValues::shared()
{
    static RecentRegistryValues instance;
    return instance;
}

CFTypeRef RecentRegistryValues::decode(const simulator::QueryCall& call, std::span<const std::uint8_t> encoded)
{
    std::string name(1, static_cast<char>(call.operation));
    name.append(call.className).push_back('\0');
    name.append(call.key);

    std::lock_guard lock(mutex_);
    const auto found = entries_.find(name);
    if (found != entries_.end() && std::ranges::equal(found->second.encoded, encoded)) {
        return found->second.value;
    }
    CFTypeRef value = decodeRegistryValue(encoded);
    if (found != entries_.end()) {
        found->second.encoded.assign(encoded.begin(), encoded.end());
        found->second.value = value;
        return value;
    }
    if (entries_.size() >= maximumEntries) {
        entries_.clear();
    }
    entries_.emplace(std::move(name), Entry{std::vector<std::uint8_t>(encoded.begin(), encoded.end()), value});
    return value;
}

}  // namespace platform
