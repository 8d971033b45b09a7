#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

// The domain of the service manager's own errors.
inline constexpr const char* SMAppServiceErrorDomain = "SMAppServiceErrorDomain";

// Codes of SMAppServiceErrorDomain that the service manager reports here.
enum SMAppServiceErrorCode : long {
    // The service manager (simmac) cannot be reached; the description says why.
    SMAppServiceErrorServiceManagerUnavailable = 2,
    // The bundle has no launchd property list of that name.
    SMAppServiceErrorPropertyListNotFound = 3,
    // The service manager refused the request; the description gives its reason
    // (a property list it cannot use, a socket it cannot bind).
    SMAppServiceErrorRequestRefused = 5,
    // The item is registered but the user has not approved it in Login Items;
    // the underlying error is POSIX EPERM.
    SMAppServiceErrorLaunchDeniedByUser = 11,
};

// Registration of the application's own background items with the system.
// The main application's login item is an XDG autostart entry
// "<simulated home>/.config/autostart/<identifier>.desktop" that starts the
// running executable with this simulated root. Daemons are registered with
// simmac's launchd, which starts them once the user approved them, as their
// property lists ask: for their first client, or at once and again after
// every exit.
// Failures throw NSError.
class SMAppService {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    // The login item of the main application; the entry is named after the
    // main bundle's identifier.
    static std::shared_ptr<SMAppService> mainApp();

    // The daemon whose launchd property list is
    // "Contents/Library/LaunchDaemons/<plistName>" of the main bundle.
    static std::shared_ptr<SMAppService> daemon(std::string plistName);

    // Opens the Login Items page of System Settings: the simulated root's
    // "/System/Applications/System Settings.app", through the workspace, so a
    // copy that already runs comes to the front. Returns at once. When it is
    // not installed or does not start, the log says why and names each item
    // that waits for approval with the simmacctl command that approves it.
    static void openSystemSettingsLoginItems();

    virtual ~SMAppService() = default;

    virtual void registerService() = 0;
    virtual void unregisterService() = 0;
    virtual Status status() const = 0;

protected:
    SMAppService() = default;
};

// The login item itself, for an explicit identifier and executable.
class SMLoginItemService final : public SMAppService {
public:
    SMLoginItemService(std::string identifier, std::filesystem::path executable);

    void registerService() override;
    void unregisterService() override;
    Status status() const override;

    std::filesystem::path entryPath() const;

private:
    std::string identifier_;
    std::filesystem::path executable_;
};

// A daemon of an explicit bundle, registered with simmac's launchd. register
// throws SMAppServiceErrorLaunchDeniedByUser while the daemon waits for the
// user's approval (it stays registered); unregistering an item that is not
// registered succeeds. status() reads notRegistered when simmac cannot be
// asked (and logs why).
class SMDaemonService final : public SMAppService {
public:
    SMDaemonService(std::filesystem::path bundle, std::string plistName);

    void registerService() override;
    void unregisterService() override;
    Status status() const override;

    std::filesystem::path propertyListPath() const;

private:
    std::filesystem::path bundle_;
    std::string plistName_;
};

}  // namespace platform
