// VelkoraDaemon: the root helper. Builds the service, opens the mach service
// and serves the main run loop, which also delivers sleep and wake, for the
// rest of the process's life. Reads no command-line arguments.

#include "ServiceDelegate.h"

#include <VelkoraCore/IPC.h>

#include <Foundation/RunLoop.h>
#include <Log/Logger.h>
#include <XPC/NSXPCListener.h>

#include <asio.hpp>

#include <exception>
#include <memory>
#include <string>

int main()
{
    const auto delegate = std::make_shared<velkora::ServiceDelegate>();
    platform::NSXPCListener listener{std::string(velkora::IPC::machServiceName)};
    listener.setDelegate(delegate);
    try {
        listener.resume();
    } catch (const std::exception& error) {
        platform::Logger(std::string(velkora::IPC::machServiceName), "Listener").fault("%s", error.what());
        return 1;
    }
    asio::io_context& mainRunLoop = platform::RunLoop::main();
    const auto keepRunning = asio::make_work_guard(mainRunLoop);
    mainRunLoop.run();
    return 0;
}
