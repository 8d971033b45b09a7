#include "Services/VelkoraDaemonProxy.h"

namespace velkora {

using platform::NSXPCReplyValue;

VelkoraDaemonProxy::VelkoraDaemonProxy(platform::NSXPCRemoteObjectProxy proxy) : proxy_(std::move(proxy)) {}

platform::NSXPCInterface VelkoraDaemonProxy::interface()
{
    return platform::NSXPCInterface::interfaceWithProtocol<VelkoraDaemonProtocol>();
}

void VelkoraDaemonProxy::ping(TextReply reply)
{
    // The transport delivers a text reply only when it carries its one text.
    proxy_.send(std::string(pingSelector), std::nullopt,
                [reply = std::move(reply)](NSXPCReplyValue value) { reply(std::move(value.text).value_or("")); });
}

void VelkoraDaemonProxy::health(DataReply reply)
{
    send(healthSelector, std::nullopt, std::move(reply));
}

void VelkoraDaemonProxy::fetchSnapshot(DataReply reply)
{
    send(fetchSnapshotSelector, std::nullopt, std::move(reply));
}

void VelkoraDaemonProxy::fetchCapabilities(DataReply reply)
{
    send(fetchCapabilitiesSelector, std::nullopt, std::move(reply));
}

void VelkoraDaemonProxy::fetchPolicy(DataReply reply)
{
    send(fetchPolicySelector, std::nullopt, std::move(reply));
}

void VelkoraDaemonProxy::perform(std::vector<std::uint8_t> commandData, DataReply reply)
{
    send(performSelector, std::move(commandData), std::move(reply));
}

void VelkoraDaemonProxy::send(std::string_view selector, std::optional<std::vector<std::uint8_t>> argument,
                              DataReply reply)
{
    proxy_.send(std::string(selector), std::move(argument), [reply = std::move(reply)](NSXPCReplyValue value) {
        reply(std::move(value.data), std::move(value.text));
    });
}

}  // namespace velkora
