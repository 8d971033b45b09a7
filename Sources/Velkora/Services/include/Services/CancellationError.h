#pragma once

#include <exception>

namespace velkora {

// What an operation throws when its caller cancelled it (through the stop
// token it was handed) before it ended.
class CancellationError : public std::exception {
public:
    const char* what() const noexcept override { return "The operation was cancelled."; }
};

}  // namespace velkora
