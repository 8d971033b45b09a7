#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace velkora {

// A failure of the hardware controller. Its description is the Simplified
// Chinese text the daemon publishes as its state reason, so it is worded for
// the user; what() gives the same text.
class HardwareError : public std::exception {
public:
    enum class Kind {
        unsupported,             // message
        commandFailed,           // message
        smcWriteFailed,          // key, value (upper-case hex), cause
        controlValueMismatch,    // key, type, expected bytes, actual bytes
        unsupportedControlType,  // key, type, size
    };

    static HardwareError unsupported(std::string message);
    static HardwareError commandFailed(std::string message);
    static HardwareError smcWriteFailed(const std::string& key, const std::string& value, const std::string& cause);
    static HardwareError controlValueMismatch(const std::string& key, const std::string& type, std::int64_t expected,
                                              std::int64_t actual);
    static HardwareError unsupportedControlType(const std::string& key, const std::string& type, std::int64_t size);

    Kind kind() const { return kind_; }
    const std::string& errorDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

private:
    HardwareError(Kind kind, std::string description);

    Kind kind_;
    std::string description_;
};

// The cause text of smcWriteFailed: the SMC layer's error in words, any other
// error by its own description.
std::string describeSMCError(const std::exception& error);

}  // namespace velkora
