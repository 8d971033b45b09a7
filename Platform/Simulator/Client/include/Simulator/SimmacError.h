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

// simmac was not reached or gave no usable answer: it is not running, closed
// the connection, did not answer in time or sent something malformed. Any
// other SimmacError is an answer: simmac refused the operation.
class SimmacUnreachable : public SimmacError {
public:
    using SimmacError::SimmacError;
};

}  // namespace simulator
