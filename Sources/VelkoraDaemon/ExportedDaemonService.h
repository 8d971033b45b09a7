#pragma once

#include <VelkoraCore/VelkoraDaemonProtocol.h>

#include <XPC/NSXPCExportedObject.h>
#include <XPC/NSXPCInterface.h>

#include <memory>

namespace velkora {

// Serves `VelkoraDaemonProtocol` over XPC: turns each request the connection
// hands over into the matching operation of the service, and the operation's
// reply into the connection's reply.
class ExportedDaemonService final : public platform::NSXPCExportedObject {
public:
    explicit ExportedDaemonService(std::shared_ptr<VelkoraDaemonProtocol> service);

    // The six operations with the shapes of their arguments and replies.
    static platform::NSXPCInterface interface();

    void dispatch(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                  platform::NSXPCReply reply) override;

private:
    std::shared_ptr<VelkoraDaemonProtocol> service_;
};

}  // namespace velkora
