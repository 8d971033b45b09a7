// VelkoraDaemon: the root helper. Builds the service, opens the mach service
// and serves the main run loop, which also delivers sleep and wake, for the
// rest of the process's life. Takes no arguments but --help.

#include "ServiceDelegate.h"

#include <VelkoraCore/IPC.h>

#include <Foundation/RunLoop.h>
#include <Log/Logger.h>
#include <Security/HardenedRuntime.h>
#include <XPC/NSXPCListener.h>

#include <asio.hpp>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr const char* usage =
    "usage: VelkoraDaemon [--help]\n"
    "The root helper of Tallowmere. The simulated Mac's launchd starts it once it is approved, at each\n"
    "start of the Mac and again whenever it exits, and hands it the listening socket of\n"
    "com.velkora.charging-helper; it reads $SIMMAC_ROOT and logs to standard error\n"
    "(VELKORA_LOG_LEVEL=debug adds the debug lines).\n";

}  // namespace

int main(int argc, char** argv)
{
    // A root process that switches charging lets no one else look inside it.
    platform::HardenedRuntime::adopt();
    if (argc > 1) {
        const std::string_view argument = argv[1];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "VelkoraDaemon: unknown %s '%s'\n%s", argument.starts_with('-') ? "option" : "argument",
                     argv[1], usage);
        return 2;
    }
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
