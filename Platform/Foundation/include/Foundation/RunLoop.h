#pragma once

#include <asio/io_context.hpp>

namespace platform {

// The process's main run loop: one Asio io_context that the program's main
// thread runs for as long as the program serves events. Event sources that
// must be served on the main thread (descriptor watches, timers, posted work)
// are added to it from any thread.
class RunLoop {
public:
    // Created on first use, never destroyed.
    static asio::io_context& main();
};

}  // namespace platform
