// A daemon for simmac's launchd to start: it serves the mach service named by
// its environment on the socket it was handed, and answers a ping with what
// it was started with; with TEST_EXIT_AT_ONCE set it exits as it starts, as a
// daemon that cannot run does.

#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCExportedObject.h"
#include "XPC/NSXPCInterface.h"
#include "XPC/NSXPCListener.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "(unset)";
}

platform::NSXPCInterface interface()
{
    return platform::NSXPCInterface(
        "LaunchdTestDaemon",
        {{"pingWithReply:", platform::NSXPCArgument::none, platform::NSXPCReplyShape::text}});
}

class Pinged final : public platform::NSXPCExportedObject {
public:
    void dispatch(const std::string&, std::optional<std::vector<std::uint8_t>>, platform::NSXPCReply reply) override
    {
        reply("pid=" + std::to_string(::getpid()) + " uid=" + std::to_string(::geteuid()) +
              " build=" + variable("TALLOWMERE_HELPER_BUILD") + " root=" + variable("SIMMAC_ROOT") +
              " socket=" + variable("SIMMAC_LAUNCHD_SOCKET_FD") + " path=" + variable("PATH"));
    }
};

class Delegate final : public platform::NSXPCListenerDelegate {
public:
    bool shouldAcceptNewConnection(platform::NSXPCListener&,
                                   std::shared_ptr<platform::NSXPCConnection> connection) override
    {
        connection->setExportedInterface(interface());
        connection->setExportedObject(std::make_shared<Pinged>());
        connection->resume();
        return true;
    }
};

}  // namespace

int main()
{
    if (std::getenv("TEST_EXIT_AT_ONCE") != nullptr) {
        return 3;
    }
    const char* service = std::getenv("TEST_MACH_SERVICE");
    if (service == nullptr) {
        std::fprintf(stderr, "LaunchdTestDaemon: TEST_MACH_SERVICE is not set\n");
        return 1;
    }
    platform::NSXPCListener listener(service);
    listener.setDelegate(std::make_shared<Delegate>());
    listener.resume();
    for (;;) {
        ::pause();
    }
}
