#include "ServiceDelegate.h"

#include <VelkoraCore/IPC.h>

#include <Security/SecCode.h>
#include <Security/SecRequirement.h>
#include <SigningTeam/SigningTeam.h>

#include <cstdint>
#include <string>

namespace velkora {

namespace {

std::string clientRequirement()
{
    return "anchor apple generic and identifier \"" + std::string(IPC::parentBundleIdentifier) +
           "\" and certificate leaf[subject.OU] = \"" + std::string(signingTeamIdentifier) + "\"";
}

}  // namespace

ServiceDelegate::ServiceDelegate()
    : service(DaemonService::create()),
      exportedService(std::make_shared<ExportedDaemonService>(service)),
      logger(std::string(IPC::machServiceName), "Listener")
{
}

bool ServiceDelegate::shouldAcceptNewConnection(platform::NSXPCListener&,
                                                std::shared_ptr<platform::NSXPCConnection> newConnection)
{
    if (!isAuthorized(*newConnection)) {
        logger.error("Rejected unauthorized XPC client pid %d",
                     static_cast<std::int32_t>(newConnection->processIdentifier()));
        return false;
    }
    newConnection->setExportedInterface(ExportedDaemonService::interface());
    newConnection->setExportedObject(exportedService);
    newConnection->setInvalidationHandler([weakService = std::weak_ptr<DaemonService>(service)] {
        if (const auto service = weakService.lock()) {
            service->clientDisconnected();
        }
    });
    // Counted before resume(), so before the client's first message can arrive.
    service->clientConnected();
    newConnection->resume();
    return true;
}

bool ServiceDelegate::isAuthorized(const platform::NSXPCConnection& connection)
{
    const pid_t pid = connection.processIdentifier();
    if (pid < 1) {
        return false;
    }
    SecCodeRef code;
    if (SecCodeCopyGuestWithAttributes(nullptr, {{kSecGuestAttributePid, pid}}, kSecCSDefaultFlags, &code) !=
            errSecSuccess ||
        !code) {
        return false;
    }
    SecRequirementRef requirement;
    if (SecRequirementCreateWithString(clientRequirement(), kSecCSDefaultFlags, &requirement) != errSecSuccess ||
        !requirement) {
        return false;
    }
    return SecCodeCheckValidity(code, kSecCSDefaultFlags, requirement) == errSecSuccess;
}

}  // namespace velkora
