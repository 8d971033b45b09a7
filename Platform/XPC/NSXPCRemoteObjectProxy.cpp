#include "XPC/NSXPCRemoteObjectProxy.h"

#include "XPC/NSXPCConnection.h"
#include "XPCConnectionCore.h"

namespace platform {

NSXPCRemoteObjectProxy::NSXPCRemoteObjectProxy(std::shared_ptr<NSXPCConnection> connection,
                                               NSXPCErrorHandler errorHandler)
    : connection_(std::move(connection)), errorHandler_(std::move(errorHandler))
{
}

void NSXPCRemoteObjectProxy::send(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                                  NSXPCReplyHandler reply) const
{
    connection_->core_->sendMessage(selector, std::move(argument), std::move(reply), errorHandler_);
}

}  // namespace platform
