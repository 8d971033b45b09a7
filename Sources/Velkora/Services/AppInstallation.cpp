#include "Services/AppInstallation.h"

#include "AppKit/NSAlert.h"
#include "AppKit/NSApplication.h"
#include "AppKit/NSWorkspace.h"
#include "Foundation/Bundle.h"
#include "Foundation/NSError.h"
#include "Foundation/PropertyListSerialization.h"
#include "Security/Security.h"
#include "Services/AppIdentity.h"
#include "Services/AppInstallationError.h"
#include "SigningTeam/SigningTeam.h"
#include "VelkoraCore/IPC.h"

#include <QCoreApplication>
#include <QUuid>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace velkora {

namespace fs = std::filesystem;

namespace {

constexpr const char* applicationIdentifier = "com.velkora.app";
constexpr const char* daemonIdentifier = "VelkoraDaemon";
constexpr const char* daemonProgram = "Contents/Library/LaunchDaemons/VelkoraDaemon";
constexpr const char* daemonPropertyList = "Contents/Library/LaunchDaemons/com.velkora.charging-helper.plist";
constexpr const char* daemonPropertyListName = "com.velkora.charging-helper.plist";
constexpr const char* buildVariable = "TALLOWMERE_HELPER_BUILD";

// The same requirement the daemon makes of its clients.
std::string requirementFor(const std::string& identifier)
{
    return "anchor apple generic and identifier \"" + identifier + "\" and certificate leaf[subject.OU] = \"" +
           std::string(signingTeamIdentifier) + "\"";
}

void validateCode(const fs::path& url, const std::string& identifier)
{
    SecStaticCodeRef code;
    OSStatus status = SecStaticCodeCreateWithPath(url, kSecCSDefaultFlags, &code);
    if (status != errSecSuccess || !code) {
        throw AppInstallationError::invalidSignature("SecStaticCode " + std::to_string(status));
    }
    SecRequirementRef requirement;
    status = SecRequirementCreateWithString(requirementFor(identifier), kSecCSDefaultFlags, &requirement);
    if (status != errSecSuccess || !requirement) {
        throw AppInstallationError::invalidSignature("SecRequirement " + std::to_string(status));
    }
    status = SecStaticCodeCheckValidity(code, kSecCSDefaultFlags, requirement);
    if (status != errSecSuccess) {
        throw AppInstallationError::invalidSignature("OSStatus " + std::to_string(status));
    }
}

// A location with its symbolic links resolved and "." and ".." taken out.
std::string normalized(const fs::path& location)
{
    std::error_code ignored;
    const fs::path resolved = fs::weakly_canonical(location, ignored);
    return (resolved.empty() ? location.lexically_normal() : resolved).string();
}

bool isExecutableFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

std::vector<std::uint8_t> contentsOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int code = errno != 0 ? errno : EIO;
        throw platform::NSError::posix(code, "The file \"" + path.filename().string() + "\" couldn't be read");
    }
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the launchd property list describes this build's daemon.
bool describesThisDaemon(const platform::PropertyList& manifest)
{
    const auto* entries = manifest.get<platform::PropertyList::Dictionary>();
    if (entries == nullptr) {
        return false;
    }
    const auto text = [entries](std::string_view key) -> const std::string* {
        const auto found = entries->find(key);
        return found == entries->end() ? nullptr : found->second.get<std::string>();
    };
    const std::string* label = text("Label");
    const std::string* program = text("BundleProgram");
    if (label == nullptr || *label != IPC::machServiceName || program == nullptr || *program != daemonProgram) {
        return false;
    }
    const auto environment = entries->find("EnvironmentVariables");
    if (environment == entries->end()) {
        return false;
    }
    const auto* variables = environment->second.get<platform::PropertyList::Dictionary>();
    if (variables == nullptr) {
        return false;
    }
    for (const auto& [name, value] : *variables) {
        if (value.get<std::string>() == nullptr) {
            return false;
        }
    }
    const auto stamp = variables->find(buildVariable);
    return stamp != variables->end() && *stamp->second.get<std::string>() == AppIdentity::build();
}

void validateApplicationBundle(const fs::path& bundle)
{
    validateCode(bundle, applicationIdentifier);
    const fs::path daemon = bundle / daemonProgram;
    const fs::path manifestFile = bundle / daemonPropertyList;
    if (!isExecutableFile(daemon)) {
        throw AppInstallationError::missingComponent(daemonIdentifier);
    }
    std::error_code error;
    if (!fs::exists(manifestFile, error)) {
        throw AppInstallationError::missingComponent(daemonPropertyListName);
    }
    validateCode(daemon, daemonIdentifier);
    const std::vector<std::uint8_t> bytes = contentsOf(manifestFile);
    if (!describesThisDaemon(platform::PropertyListSerialization::propertyList(bytes))) {
        throw AppInstallationError::missingComponent(AppInstallationError::manifestMismatch());
    }
}

// Swaps the two items in one step, so that the target is never missing.
void replaceItem(const fs::path& target, const fs::path& replacement)
{
    if (syscall(SYS_renameat2, AT_FDCWD, replacement.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
        throw fs::filesystem_error("Cannot replace the item", target, replacement,
                                   std::error_code(errno, std::generic_category()));
    }
}

// Removes the item at a path when it goes out of scope, whatever happened.
class TemporaryItem {
public:
    explicit TemporaryItem(fs::path path) : path_(std::move(path)) {}
    ~TemporaryItem()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryItem(const TemporaryItem&) = delete;
    TemporaryItem& operator=(const TemporaryItem&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace

bool AppInstallation::isAtExpectedLocation()
{
    return normalized(platform::Bundle::main().bundlePath()) == normalized(AppIdentity::expectedAppURL());
}

void AppInstallation::validateCurrentBundle()
{
    if (!isAtExpectedLocation()) {
        throw AppInstallationError::invalidLocation();
    }
    validateApplicationBundle(platform::Bundle::main().bundlePath());
}

void AppInstallation::installAndRelaunch()
{
    const fs::path running = platform::Bundle::main().bundlePath();
    validateApplicationBundle(running);

    const fs::path& target = AppIdentity::expectedAppURL();
    std::error_code error;
    if (fs::exists(target, error)) {
        try {
            validateCode(target, applicationIdentifier);
        } catch (const AppInstallationError&) {
            throw AppInstallationError::destinationNotTrusted();
        }
    }

    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const TemporaryItem temporary(target.parent_path() /
                                  (".Tallowmere-installing-" + uuid.toStdString() + ".app"));
    // A fresh simulated Mac may not have its Applications folder yet.
    fs::create_directories(target.parent_path());
    fs::copy(running, temporary.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    validateApplicationBundle(temporary.path());
    if (fs::exists(target, error)) {
        replaceItem(target, temporary.path());
    } else {
        fs::rename(temporary.path(), target);
    }
    validateApplicationBundle(target);

    platform::NSWorkspaceOpenConfiguration configuration;
    configuration.activates = true;
    platform::NSWorkspace::shared().openApplication(
        target, configuration, [](std::optional<platform::NSError> failure) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [failure = std::move(failure)] {
                    if (failure) {
                        platform::NSAlert::alertWithError(*failure).runModal();
                    } else {
                        platform::NSApplication::terminate();
                    }
                },
                Qt::QueuedConnection);
        });
}

}  // namespace velkora
