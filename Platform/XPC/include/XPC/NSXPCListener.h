#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "XPC/NSXPCConnection.h"

namespace platform {

class NSXPCListener;

class NSXPCListenerDelegate {
public:
    virtual ~NSXPCListenerDelegate() = default;

    // Called on one of the listener's few check workers, before any of the
    // new connection's requests is read; the connection's processIdentifier()
    // and effectiveUserIdentifier() are those of the peer. To accept, configure the connection, resume it and
    // return true; returning false closes it, and the client sees it invalidated.
    virtual bool shouldAcceptNewConnection(NSXPCListener& listener,
                                           std::shared_ptr<NSXPCConnection> newConnection) = 0;
};

// Listens for the clients of one mach service on the socket
// $SIMMAC_ROOT/var/run/xpc/<mach service name>. Accepted connections are
// served on a few threads the listener shares among them, and checked by its
// delegate on a few check workers; the listener keeps each until it is
// invalidated. However many clients connect, the listener holds no more
// connections than its process's descriptor limit leaves room for (beyond
// that, new clients wait in the socket's backlog until one ends), nor more
// than a quarter of those from one process, nor more waiting for a check than
// its waiting places (beyond those two it refuses at once). Each of these is
// logged. Running out of descriptors or memory delays accepting; it never
// ends the process.
//
// When the service manager started this process with SIMMAC_LAUNCHD_SOCKET_FD
// naming an inherited socket bound to this service's path, the listener takes
// that socket over; otherwise it binds its own, replacing a stale socket file.
// Destroying the listener stops accepting, invalidates every connection it
// accepted and removes a socket file it bound itself.
class NSXPCListener {
public:
    // Throws std::invalid_argument when the name cannot name a socket file.
    explicit NSXPCListener(std::string machServiceName);
    ~NSXPCListener();

    NSXPCListener(const NSXPCListener&) = delete;
    NSXPCListener& operator=(const NSXPCListener&) = delete;

    // Without a delegate every connection is refused.
    void setDelegate(std::shared_ptr<NSXPCListenerDelegate> delegate);

    // How long a peer may leave a frame half-sent before its connection is
    // closed (5 seconds unless set). Applies to connections accepted afterwards.
    void setIncompleteFrameTimeout(std::chrono::milliseconds timeout);

    // Starts accepting. Throws std::system_error when the socket cannot be set
    // up, for instance when another live listener serves the same path.
    void resume();

    // $SIMMAC_ROOT/var/run/xpc/<name>. Throws std::invalid_argument for an
    // empty name, "." or "..", or a name holding '/' or a NUL.
    static std::filesystem::path socketPathForMachService(std::string_view machServiceName);

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
