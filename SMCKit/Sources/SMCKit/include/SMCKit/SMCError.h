#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "IOKit/IOReturn.h"

namespace smckit {

// Every failure of the SMC access library. It carries the case and its
// payload, not a message: callers word their own texts from it. what() names
// the case and payload for logs and test output.
class SMCError : public std::exception {
public:
    enum class Kind {
        keyNotFound,        // key
        dataTypeMismatch,   // key
        connectionFailed,   // kIOReturn
        invalidDataSize,    // key, expected, actual
        invalidStringData,  // key
        unknown,            // key, kIOReturn, smcResult
        notPrivileged,      // nothing
    };

    static SMCError keyNotFound(std::string key);
    static SMCError dataTypeMismatch(std::string key);
    static SMCError connectionFailed(kern_return_t kIOReturn);
    static SMCError invalidDataSize(std::string key, std::uint32_t expected, std::uint32_t actual);
    static SMCError invalidStringData(std::string key);
    static SMCError unknown(std::string key, kern_return_t kIOReturn, std::uint8_t smcResult);
    static SMCError notPrivileged();

    Kind kind() const { return kind_; }
    // The key's four characters, or "Index " and the index during enumeration.
    const std::string& key() const { return key_; }
    kern_return_t kIOReturn() const { return kIOReturn_; }
    std::uint8_t smcResult() const { return smcResult_; }
    std::uint32_t expected() const { return expected_; }
    std::uint32_t actual() const { return actual_; }

    const char* what() const noexcept override { return summary_.c_str(); }

    bool operator==(const SMCError& other) const;

private:
    SMCError(Kind kind, std::string key, kern_return_t kIOReturn, std::uint8_t smcResult, std::uint32_t expected,
             std::uint32_t actual);

    Kind kind_;
    std::string key_;
    kern_return_t kIOReturn_ = 0;
    std::uint8_t smcResult_ = 0;
    std::uint32_t expected_ = 0;
    std::uint32_t actual_ = 0;
    std::string summary_;
};

}  // namespace smckit
