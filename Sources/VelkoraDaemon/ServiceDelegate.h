#pragma once

#include "DaemonService.h"
#include "ExportedDaemonService.h"

#include <Log/Logger.h>
#include <XPC/NSXPCListener.h>

#include <memory>

namespace velkora {

// Decides who may talk to the daemon: only a process whose code is signed
// through the trusted chain, with the application's identifier, by the
// maker's team. Every accepted connection is wired to the one DaemonService.
class ServiceDelegate final : public platform::NSXPCListenerDelegate {
public:
    // Builds the service (see DaemonService::create), so that it exists
    // before the listener does.
    ServiceDelegate();

    bool shouldAcceptNewConnection(platform::NSXPCListener& listener,
                                   std::shared_ptr<platform::NSXPCConnection> newConnection) override;

private:
    // Verified afresh for every connection; nothing is cached.
    static bool isAuthorized(const platform::NSXPCConnection& connection);

    std::shared_ptr<DaemonService> service;
    std::shared_ptr<ExportedDaemonService> exportedService;
    platform::Logger logger;
};

}  // namespace velkora
