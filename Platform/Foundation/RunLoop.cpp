#include "Foundation/RunLoop.h"

namespace platform {

asio::io_context& RunLoop::main()
{
    // Never destroyed: sources may still be attached when the process exits.
    static asio::io_context* const context = new asio::io_context(1);
    return *context;
}

}  // namespace platform
