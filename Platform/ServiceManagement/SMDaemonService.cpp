#include "ServiceManagement/SMAppService.h"

#include "AppKit/NSWorkspace.h"
#include "Foundation/Bundle.h"
#include "Foundation/NSError.h"
#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "Simulator/SimmacConnection.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

namespace platform {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

// Where the simulated Mac keeps the settings application, as a Mac does.
constexpr const char* systemSettingsPath = "/System/Applications/System Settings.app";

const Logger& log()
{
    static const Logger logger("com.velkora.platform", "ServiceManagement");
    return logger;
}

NSError serviceManagerError(long code, const std::string& description)
{
    return NSError(SMAppServiceErrorDomain, code, {{NSLocalizedDescriptionKey, description}});
}

// One request to simmac's launchd on a connection of its own.
Json request(std::string_view operation, const Json& arguments)
{
    std::unique_ptr<simulator::SimmacConnection> simmac;
    try {
        simmac = std::make_unique<simulator::SimmacConnection>();
    } catch (const simulator::SimmacError& error) {
        throw serviceManagerError(SMAppServiceErrorServiceManagerUnavailable,
                                  std::string("The service manager is not available: ") + error.what());
    }
    try {
        return simmac->request(operation, arguments);
    } catch (const simulator::SimmacError& error) {
        throw serviceManagerError(SMAppServiceErrorRequestRefused, error.what());
    }
}

SMAppService::Status statusNamed(const Json& reply)
{
    const auto status = reply.find("status");
    const std::string name = status != reply.end() && status->is_string() ? status->get<std::string>() : "";
    if (name == "enabled") {
        return SMAppService::Status::enabled;
    }
    if (name == "requiresApproval") {
        return SMAppService::Status::requiresApproval;
    }
    if (name == "notFound") {
        return SMAppService::Status::notFound;
    }
    return SMAppService::Status::notRegistered;
}

std::string approveCommand(const std::string& label)
{
    return "simmacctl approve " + label;
}

// Without a settings window the log tells the user what waits and how to approve it.
void logItemsAwaitingApproval()
{
    Json reply;
    try {
        reply = request("launchd.loginItems", Json::object());
    } catch (const NSError& error) {
        log().error("Cannot list the background items: %{public}s", error.localizedDescription());
        return;
    }
    const Json items = reply.value("items", Json::array());
    for (const Json& item : items) {
        const std::string label = item.value("label", "");
        if (statusNamed(item) == SMAppService::Status::requiresApproval) {
            log().notice("Login Items: \"%{public}s\" waits for your approval; approve it with: %{public}s", label,
                         approveCommand(label));
        }
    }
}

}  // namespace

std::shared_ptr<SMAppService> SMAppService::daemon(std::string plistName)
{
    return std::make_shared<SMDaemonService>(Bundle::main().bundlePath(), std::move(plistName));
}

void SMAppService::openSystemSettingsLoginItems()
{
    const fs::path settings = SimulatedRoot::resolve(systemSettingsPath);
    std::error_code error;
    if (!fs::is_directory(settings, error)) {
        log().error("Cannot open Login Items: System Settings is not installed at %{public}s", settings.string());
        logItemsAwaitingApproval();
        return;
    }
    NSWorkspace::shared().openApplication(settings, NSWorkspaceOpenConfiguration{},
                                          [](const std::optional<NSError>& failure) {
                                              if (failure) {
                                                  log().error("Cannot open Login Items: %{public}s",
                                                              failure->localizedDescription());
                                                  logItemsAwaitingApproval();
                                              }
                                          });
}

SMDaemonService::SMDaemonService(fs::path bundle, std::string plistName)
    : bundle_(fs::absolute(bundle)), plistName_(std::move(plistName))
{
}

fs::path SMDaemonService::propertyListPath() const
{
    return bundle_ / "Contents" / "Library" / "LaunchDaemons" / plistName_;
}

void SMDaemonService::registerService()
{
    std::error_code error;
    if (!fs::is_regular_file(propertyListPath(), error)) {
        throw serviceManagerError(SMAppServiceErrorPropertyListNotFound,
                                  "No launchd property list \"" + plistName_ + "\" in " +
                                      (bundle_ / "Contents" / "Library" / "LaunchDaemons").string());
    }
    const Json reply = request("launchd.register", {{"bundle", bundle_.string()}, {"plist", plistName_}});
    if (statusNamed(reply) == Status::requiresApproval) {
        const std::string label = reply.value("label", plistName_);
        auto permission = std::make_shared<const NSError>(
            NSPOSIXErrorDomain, EPERM, NSError::UserInfo{{NSLocalizedDescriptionKey, std::string(std::strerror(EPERM))}});
        throw NSError(SMAppServiceErrorDomain, SMAppServiceErrorLaunchDeniedByUser,
                      {{NSLocalizedDescriptionKey, "\"" + label +
                                                       "\" needs the user's approval in Login Items before it can "
                                                       "run; approve it with: " +
                                                       approveCommand(label)},
                       {NSUnderlyingErrorKey, std::move(permission)}});
    }
}

void SMDaemonService::unregisterService()
{
    request("launchd.unregister", {{"bundle", bundle_.string()}, {"plist", plistName_}});
}

SMAppService::Status SMDaemonService::status() const
{
    try {
        return statusNamed(request("launchd.status", {{"bundle", bundle_.string()}, {"plist", plistName_}}));
    } catch (const NSError& error) {
        log().error("Cannot read the status of %{public}s: %{public}s", plistName_, error.localizedDescription());
        return Status::notRegistered;
    }
}

}  // namespace platform
