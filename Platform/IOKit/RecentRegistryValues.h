#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "IOKit/CFPropertyValue.h"
#include "Simulator/QueryMessage.h"

namespace platform {

// The value each query last decoded, beside the bytes it came from. An answer
// with the same bytes as the last one gets the same value back (values are
// immutable) instead of a new decoding: the battery's entry is read every
// second, and between two readings it rarely changes, while decoding it is
// most of what a reading costs. Safe from any thread.
class RecentRegistryValues {
public:
    static RecentRegistryValues& shared();

    // decodeRegistryValue(encoded), or the value decoded last for `call` when
    // that came from the same bytes.
    CFTypeRef decode(const simulator::QueryCall& call, std::span<const std::uint8_t> encoded);

private:
    struct Entry {
        std::vector<std::uint8_t> encoded;
        CFTypeRef value;
    };

    std::mutex mutex_;
    // By operation, class name and key. A process asks a few dozen distinct
    // queries at most; past the bound the oldest decodings are simply dropped.
    std::map<std::string, Entry> entries_;
};

}  // namespace platform
