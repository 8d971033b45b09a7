#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "Simulator/SharedReadingsLayout.h"

namespace simulator {

// A client's read-only mapping of the readings simmac shares
// (SharedReadingsLayout.h). Every copy it hands out is consistent: taken
// while simmac was not rewriting. It trusts nothing it maps: every offset is
// checked, so a torn or hostile content yields no answer, never a read
// outside the memory. Safe from any thread.
class SharedReadingsView {
public:
    // Maps the memory behind `descriptor`, which it closes; nothing when that
    // is not simmac's shared readings of this version.
    static std::unique_ptr<SharedReadingsView> map(int descriptor);
    ~SharedReadingsView();
    SharedReadingsView(const SharedReadingsView&) = delete;
    SharedReadingsView& operator=(const SharedReadingsView&) = delete;

    // Whether simmac renewed its heartbeat within `limit` of now.
    bool heardWithin(std::chrono::nanoseconds limit) const;

    // The shared answer to a query: true with `outcome` and `body` set; false
    // when simmac shares no answer to it, or kept rewriting while it was
    // copied (ask over the socket then).
    bool copyQueryAnswer(QueryOperation operation, std::string_view className, QueryOutcome& outcome,
                         std::vector<std::uint8_t>& body) const;

    using KeyEntry = std::array<std::uint8_t, sharedKeyEntrySize>;
    enum class KeyLookup {
        notShared,  // ask over the socket
        missing,    // the SMC has no such key
        found,      // `entry` holds it (sharedKeyOf)
    };
    // The key `code` of the user client of `serviceClass`.
    KeyLookup copyKey(std::string_view serviceClass, std::uint32_t code, KeyEntry& entry) const;

private:
    SharedReadingsView(void* memory, std::size_t size);
    const SharedReadingsHeader& header() const;
    // Runs `copy` on the content until it ran while simmac was not rewriting;
    // false (and `copy`'s result dropped) when that did not happen soon.
    template <typename Copy>
    bool copyConsistently(Copy&& copy) const;

    void* memory_;
    std::size_t size_;
    std::size_t contentCapacity_;
};

}  // namespace simulator
