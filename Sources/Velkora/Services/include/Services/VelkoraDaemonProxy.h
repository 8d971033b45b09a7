#pragma once

#include "VelkoraCore/VelkoraDaemonProtocol.h"
#include "XPC/NSXPCInterface.h"
#include "XPC/NSXPCRemoteObjectProxy.h"

namespace velkora {

// The daemon's interface as the application calls it: each operation sends
// its message through a remote-object proxy of the connection and hands the
// reply pair to the given block on the connection's thread. A proxy whose
// connection does not declare the message refuses it by throwing
// std::logic_error before anything is sent.
class VelkoraDaemonProxy final : public VelkoraDaemonProtocol {
public:
    explicit VelkoraDaemonProxy(platform::NSXPCRemoteObjectProxy proxy);

    // The six selectors with the shapes of their arguments and replies, for
    // both ends of a connection.
    static platform::NSXPCInterface interface();

    void ping(TextReply reply) override;
    void health(DataReply reply) override;
    void fetchSnapshot(DataReply reply) override;
    void fetchCapabilities(DataReply reply) override;
    void fetchPolicy(DataReply reply) override;
    void perform(std::vector<std::uint8_t> commandData, DataReply reply) override;

private:
    void send(std::string_view selector, std::optional<std::vector<std::uint8_t>> argument, DataReply reply);

    platform::NSXPCRemoteObjectProxy proxy_;
};

}  // namespace velkora
