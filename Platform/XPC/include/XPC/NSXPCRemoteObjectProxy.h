#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSError.h"
#include "XPC/NSXPCReply.h"

namespace platform {

class NSXPCConnection;

// Called on the connection's own thread, at most once per message, when the
// message cannot be delivered or its reply cannot arrive; the reply block of
// that message is then never called.
using NSXPCErrorHandler = std::function<void(const NSError&)>;

// Sends messages of the connection's remote object interface. Every message
// ends exactly once: its reply block runs, or the proxy's error handler does.
class NSXPCRemoteObjectProxy {
public:
    // Throws std::invalid_argument when the selector is not in the connection's
    // remote object interface or the argument does not match its declaration,
    // and std::logic_error when no remote object interface was set.
    void send(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
              NSXPCReplyHandler reply) const;

private:
    friend class NSXPCConnection;

    NSXPCRemoteObjectProxy(std::shared_ptr<NSXPCConnection> connection, NSXPCErrorHandler errorHandler);

    std::shared_ptr<NSXPCConnection> connection_;
    NSXPCErrorHandler errorHandler_;
};

}  // namespace platform
