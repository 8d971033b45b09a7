#pragma once

#include <stdexcept>
#include <string>

namespace simmac {

// An operation simmac refuses, with the text the requester is shown (for
// example "unknown SMC key \"XXXX\""). Thrown by modules; the dispatcher turns
// it into an error reply.
class SimulatorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace simmac
