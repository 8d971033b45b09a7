#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "XPC/NSXPCExportedObject.h"
#include "XPC/NSXPCInterface.h"
#include "XPC/NSXPCRemoteObjectProxy.h"

namespace platform {

class XPCConnectionCore;

enum class NSXPCConnectionOptions : unsigned {
    none = 0,
    // Connect to a service of the system domain. The simulated Mac has one
    // domain, so this reaches the same socket as `none`.
    privileged = 1u << 12,
};

// One XPC connection, over a Unix stream socket. A connection made by a client
// for a mach service connects lazily, when its first message is sent, and may
// reconnect after an interruption; a connection handed to a listener's delegate
// serves its exported object until the peer goes away.
//
// Every reply block and handler runs on the connection's own strand, one at a
// time and never on the caller's thread: a client connection's own thread, or
// for an accepted connection one of its listener's few serving threads.
// Configuration, messages, resume() and invalidate() may come from any thread.
// Always hold a connection in a std::shared_ptr: its proxies keep it alive.
// Destroying the last reference invalidates the connection; a client's waits
// for its thread (unless that thread is the one destroying it).
class NSXPCConnection : public std::enable_shared_from_this<NSXPCConnection> {
public:
    // Throws std::invalid_argument when the name cannot name a socket file.
    NSXPCConnection(std::string machServiceName, NSXPCConnectionOptions options);
    ~NSXPCConnection();

    NSXPCConnection(const NSXPCConnection&) = delete;
    NSXPCConnection& operator=(const NSXPCConnection&) = delete;

    void setRemoteObjectInterface(NSXPCInterface interface);
    void setExportedInterface(NSXPCInterface interface);
    void setExportedObject(std::shared_ptr<NSXPCExportedObject> object);

    // The peer went away while the connection was live; the next message reconnects.
    void setInterruptionHandler(std::function<void()> handler);
    // The connection is closed for good. Runs exactly once; afterwards the
    // connection lets go of its handlers and exported object.
    void setInvalidationHandler(std::function<void()> handler);

    NSXPCRemoteObjectProxy remoteObjectProxyWithErrorHandler(NSXPCErrorHandler handler);

    // A connection starts suspended: messages sent before resume() wait for it,
    // and an accepted connection reads no request before it.
    void resume();
    void invalidate();

    // The peer's process and effective user, from the socket's peer credentials;
    // 0 and (uid_t)-1 until a client connection has connected. A client's peer
    // is the process that created the listening socket.
    pid_t processIdentifier() const;
    uid_t effectiveUserIdentifier() const;

private:
    friend class NSXPCListener;
    friend class NSXPCRemoteObjectProxy;

    explicit NSXPCConnection(std::shared_ptr<XPCConnectionCore> core);

    std::shared_ptr<XPCConnectionCore> core_;
};

}  // namespace platform
