#include "ExportedDaemonService.h"

#include <string>
#include <utility>

namespace velkora {

using Protocol = VelkoraDaemonProtocol;

ExportedDaemonService::ExportedDaemonService(std::shared_ptr<VelkoraDaemonProtocol> service)
    : service_(std::move(service))
{
}

platform::NSXPCInterface ExportedDaemonService::interface()
{
    return platform::NSXPCInterface::interfaceWithProtocol<VelkoraDaemonProtocol>();
}

void ExportedDaemonService::dispatch(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                                     platform::NSXPCReply reply)
{
    // The connection has checked the selector and the argument against
    // interface(); the reply answers in either of the protocol's shapes.
    if (selector == Protocol::pingSelector) {
        service_->ping(std::move(reply));
    } else if (selector == Protocol::healthSelector) {
        service_->health(std::move(reply));
    } else if (selector == Protocol::fetchSnapshotSelector) {
        service_->fetchSnapshot(std::move(reply));
    } else if (selector == Protocol::fetchCapabilitiesSelector) {
        service_->fetchCapabilities(std::move(reply));
    } else if (selector == Protocol::fetchPolicySelector) {
        service_->fetchPolicy(std::move(reply));
    } else if (selector == Protocol::performSelector) {
        service_->perform(std::move(argument).value_or(std::vector<std::uint8_t>{}), std::move(reply));
    }
}

}  // namespace velkora
