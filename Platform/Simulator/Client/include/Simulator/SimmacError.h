#pragma once

#include <stdexcept>
#include <string>

namespace simulator {

// A failure talking to simmac or an operation simmac refused; the text says
// which (for example "simmac is not running (no socket at ...)" or simmac's own
// error text).
class SimmacError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace simulator
