#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// The user's session as the workspace sees it: which applications run and
// which one is in front. An application announces itself on a connection of
// its own and stays running for as long as that connection is open, so one
// that quits or dies is over at once. Connections that subscribe hear of each
// activation and termination, as
//   {"event": "workspace", "notification": "didActivateApplication" |
//    "didTerminateApplication", "application": {"pid", "bundleIdentifier", "name"}}
// and the application asked to come to the front hears
//   {"event": "workspace", "request": "activate"}.
//
//   "workspace.launch" {"bundleIdentifier", "name"} -> the application
//        the calling process (its pid from the connection) is an application;
//        once per connection
//   "workspace.activate"                   -> the application
//        the caller's application came to the front
//   "workspace.activate" {"pid"}           -> the application
//        asks that running application to come to the front
//   "workspace.applications"               -> {"applications": [...], "frontmost": pid or null}
//   "workspace.subscribe"                  -> {"applications": [...], "frontmost": pid or null}
// Status: "workspace": {"applications", "frontmost", "subscribers"}.
class WorkspaceModule : public SimulatorModule {
public:
    explicit WorkspaceModule(Dispatcher& dispatcher);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;
    void connectionClosed(ClientSession& session) override;

private:
    struct Application {
        pid_t pid = 0;
        std::string bundleIdentifier;
        std::string name;
        std::weak_ptr<ClientSession> session;

        nlohmann::ordered_json describe() const;
    };

    nlohmann::ordered_json listing() const;
    void publish(const char* notification, const Application& application);

    // By the identifier of the connection that launched each.
    std::map<std::uint64_t, Application> applications_;
    std::optional<std::uint64_t> frontmost_;
    std::map<std::uint64_t, std::weak_ptr<ClientSession>> subscribers_;
};

}  // namespace simmac
