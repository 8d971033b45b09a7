#pragma once

#include "Security/OSStatus.h"

#include <stdexcept>
#include <string>

namespace platform {

// The failure of a signing or checking step: the status the platform calls
// report for it and a sentence saying what exactly went wrong.
class SecurityError : public std::runtime_error {
public:
    SecurityError(OSStatus status, const std::string& description)
        : std::runtime_error(description), status_(status)
    {
    }

    OSStatus status() const { return status_; }

private:
    OSStatus status_;
};

}  // namespace platform
