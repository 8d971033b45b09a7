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
    // The connection has checked the selector and the argument against interface().
    const auto dataReply = [reply](std::optional<std::vector<std::uint8_t>> data, std::optional<std::string> text) {
        reply(std::move(data), std::move(text));
    };
    if (selector == Protocol::pingSelector) {
        service_->ping([reply](std::string text) { reply(std::move(text)); });
    } else if (selector == Protocol::healthSelector) {
        service_->health(dataReply);
    } else if (selector == Protocol::fetchSnapshotSelector) {
        service_->fetchSnapshot(dataReply);
    } else if (selector == Protocol::fetchCapabilitiesSelector) {
        service_->fetchCapabilities(dataReply);
    } else if (selector == Protocol::fetchPolicySelector) {
        service_->fetchPolicy(dataReply);
    } else if (selector == Protocol::performSelector) {
        service_->perform(std::move(argument).value_or(std::vector<std::uint8_t>{}), dataReply);
    }
}

}  // namespace velkora
