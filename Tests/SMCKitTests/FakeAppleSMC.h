#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "smc/smc.h"

// An in-process AppleSMC user client behind the IOKit calls, for tests of the
// SMC layer that must see every request the layer makes.
class FakeAppleSMC {
public:
    struct Key {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> value;
    };
    // Decides the answer to a request instead of the key table: (IOKit code,
    // SMC result byte), or nothing to let the table answer.
    using Script = std::function<std::optional<SMCResult_t>(const SMCParamRecord& input)>;

    static FakeAppleSMC& shared();

    void reset();
    void addKey(std::uint32_t code, std::uint32_t type, std::vector<std::uint8_t> value);
    std::vector<std::uint8_t> value(std::uint32_t code) const;
    void setScript(Script script);
    void setServiceAvailable(bool available);
    void setOpenResult(kern_return_t result);

    // Every request's input record, in order.
    std::vector<SMCParamRecord> requests() const;
    std::size_t requestCount(std::uint8_t command) const;

    bool serviceAvailable() const;
    kern_return_t openResult() const;
    kern_return_t handle(const SMCParamRecord& input, SMCParamRecord& output);

private:
    mutable std::mutex mutex_;
    std::map<std::uint32_t, Key> keys_;
    std::vector<SMCParamRecord> requests_;
    Script script_;
    bool serviceAvailable_ = true;
    kern_return_t openResult_ = kIOReturnSuccess;
};
