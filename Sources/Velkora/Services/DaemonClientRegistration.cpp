// DaemonClient's registration of the helper with the service manager.

#include "Services/DaemonClient.h"

#include "Foundation/NSError.h"
#include "ServiceManagement/SMAppService.h"

#include <vector>

namespace velkora {

using platform::NSError;
using platform::SMAppService;

namespace {

constexpr const char* helperPropertyList = "com.velkora.charging-helper.plist";

// Codes the system reports when the user has not allowed the helper.
constexpr long posixOperationNotPermitted = 1;
constexpr long posixPermissionDenied = 13;
constexpr long serviceManagerAuthorizationFailure = 4;
constexpr long serviceManagerLaunchDeniedByUser = 11;
// The service manager's code for a registration database it cannot change.
constexpr long serviceManagerRegistrationDatabaseBlocked = 1;

// Walks from `error` down its underlying errors until `matches` holds for one
// (true), an error has no underlying error object (false), or the walk comes
// back to an error it has already seen (false).
template <typename Predicate>
bool anyInChain(const std::exception& error, Predicate matches)
{
    const auto* current = dynamic_cast<const NSError*>(&error);
    std::vector<const NSError*> visited;
    while (current != nullptr) {
        for (const NSError* seen : visited) {
            if (*seen == *current) {
                return false;
            }
        }
        visited.push_back(current);
        if (matches(*current)) {
            return true;
        }
        const auto underlying = current->userInfo().find(platform::NSUnderlyingErrorKey);
        if (underlying == current->userInfo().end()) {
            return false;
        }
        if (const auto* shared = std::any_cast<std::shared_ptr<const NSError>>(&underlying->second)) {
            current = shared->get();
        } else if (const auto* mutableShared = std::any_cast<std::shared_ptr<NSError>>(&underlying->second)) {
            current = mutableShared->get();
        } else {
            current = std::any_cast<NSError>(&underlying->second);
        }
    }
    return false;
}

}  // namespace

SMAppService& DaemonClient::service() const
{
    std::call_once(serviceCreation_, [this] {
        if (!service_) {
            service_ = SMAppService::daemon(helperPropertyList);
        }
    });
    return *service_;
}

HelperStatus DaemonClient::status() const
{
    switch (service().status()) {
    case SMAppService::Status::enabled:
        return HelperStatus::enabled();
    case SMAppService::Status::requiresApproval:
        return HelperStatus::requiresApproval();
    case SMAppService::Status::notRegistered:
    case SMAppService::Status::notFound:
        break;
    }
    return HelperStatus::notInstalled();
}

HelperStatus DaemonClient::install()
{
    try {
        service().registerService();
    } catch (const std::exception& error) {
        const SMAppService::Status now = service().status();
        if (now == SMAppService::Status::requiresApproval || isApprovalRequiredError(error)) {
            logger_.notice("Helper registration requires approval: %{public}s", error.what());
            return HelperStatus::requiresApproval();
        }
        if (now == SMAppService::Status::enabled) {
            return HelperStatus::enabled();
        }
        throw;
    }
    return status();
}

void DaemonClient::uninstall()
{
    invalidateConnection();
    service().unregisterService();
}

bool DaemonClient::isApprovalRequiredError(const std::exception& error)
{
    return anyInChain(error, [](const NSError& candidate) {
        if (candidate.domain() == platform::NSPOSIXErrorDomain) {
            return candidate.code() == posixOperationNotPermitted || candidate.code() == posixPermissionDenied;
        }
        if (candidate.domain() == platform::SMAppServiceErrorDomain) {
            return candidate.code() == serviceManagerLaunchDeniedByUser ||
                   candidate.code() == serviceManagerAuthorizationFailure;
        }
        return false;
    });
}

bool DaemonClient::isRegistrationDatabaseBlockedError(const std::exception& error)
{
    return anyInChain(error, [](const NSError& candidate) {
        return candidate.domain() == platform::SMAppServiceErrorDomain &&
               candidate.code() == serviceManagerRegistrationDatabaseBlocked;
    });
}

}  // namespace velkora
