#include "Simmac/WorkspaceModule.h"

#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

// Names come from any process on the machine; a bound keeps the status and
// the events small.
constexpr std::size_t longestName = 256;

std::string boundedText(const OperationCall& call, const char* name)
{
    std::string text = call.stringArgument(name);
    if (text.empty() || text.size() > longestName) {
        throw SimulatorError(call.operation() + ": \"" + name + "\" must be 1 to " + std::to_string(longestName) +
                             " bytes");
    }
    return text;
}

}  // namespace

nlohmann::ordered_json WorkspaceModule::Application::describe() const
{
    return {{"pid", pid}, {"bundleIdentifier", bundleIdentifier}, {"name", name}};
}

WorkspaceModule::WorkspaceModule(Dispatcher& dispatcher)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("workspace.launch", [this](OperationCall& call) {
        const std::uint64_t connection = call.session().identifier();
        if (applications_.contains(connection)) {
            throw SimulatorError("workspace.launch: this connection already announced its application");
        }
        if (call.session().peer().pid <= 0) {
            throw SimulatorError("workspace.launch: the calling process cannot be told");
        }
        Application application{call.session().peer().pid, boundedText(call, "bundleIdentifier"),
                                boundedText(call, "name"), call.sharedSession()};
        const nlohmann::ordered_json description = application.describe();
        applications_.emplace(connection, std::move(application));
        call.succeed(description);
    });
    dispatcher.addOperation("workspace.activate", [this](OperationCall& call) {
        const auto pid = call.arguments().find("pid");
        if (pid == call.arguments().end()) {
            const auto own = applications_.find(call.session().identifier());
            if (own == applications_.end()) {
                throw SimulatorError("workspace.activate: this connection announced no application");
            }
            if (frontmost_ != own->first) {
                frontmost_ = own->first;
                publish("didActivateApplication", own->second);
            }
            call.succeed(own->second.describe());
            return;
        }
        if (!pid->is_number_integer()) {
            throw SimulatorError("workspace.activate: \"pid\" must be a process identifier");
        }
        for (const auto& [connection, application] : applications_) {
            if (application.pid == pid->get<pid_t>()) {
                if (const auto session = application.session.lock()) {
                    session->push({{"event", "workspace"}, {"request", "activate"}});
                }
                call.succeed(application.describe());
                return;
            }
        }
        throw SimulatorError("workspace.activate: no application runs as pid " + pid->dump());
    });
    dispatcher.addOperation("workspace.applications", [this](OperationCall& call) { call.succeed(listing()); });
    dispatcher.addOperation("workspace.subscribe", [this](OperationCall& call) {
        subscribers_[call.session().identifier()] = call.sharedSession();
        call.succeed(listing());
    });
}

std::function<void()> WorkspaceModule::prepareModel(const HardwareModel&)
{
    // The user's session outlives a change of hardware.
    return [] {};
}

nlohmann::ordered_json WorkspaceModule::listing() const
{
    nlohmann::ordered_json applications = nlohmann::ordered_json::array();
    for (const auto& [connection, application] : applications_) {
        applications.push_back(application.describe());
    }
    nlohmann::ordered_json frontmost;
    if (frontmost_) {
        frontmost = applications_.at(*frontmost_).pid;
    }
    return {{"applications", std::move(applications)}, {"frontmost", std::move(frontmost)}};
}

void WorkspaceModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json workspace = listing();
    workspace["subscribers"] = subscribers_.size();
    status["workspace"] = std::move(workspace);
}

void WorkspaceModule::publish(const char* notification, const Application& application)
{
    const nlohmann::ordered_json event = {
        {"event", "workspace"}, {"notification", notification}, {"application", application.describe()}};
    for (const auto& [identifier, subscriber] : subscribers_) {
        if (const auto session = subscriber.lock()) {
            session->push(event);
        }
    }
}

void WorkspaceModule::connectionClosed(ClientSession& session)
{
    subscribers_.erase(session.identifier());
    const auto application = applications_.find(session.identifier());
    if (application == applications_.end()) {
        return;
    }
    const Application ended = std::move(application->second);
    applications_.erase(application);
    if (frontmost_ == session.identifier()) {
        frontmost_.reset();
    }
    publish("didTerminateApplication", ended);
}

}  // namespace simmac
