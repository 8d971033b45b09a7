#include "AppKit/NSWorkspace.h"

#include "AccessibilityObservation.h"
#include "WorkspaceNotificationObservation.h"

#include "Foundation/Bundle.h"
#include "Foundation/SimulatedRoot.h"
#include "Log/Logger.h"
#include "Simulator/SimmacConnection.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {

namespace fs = std::filesystem;

namespace {

const Logger& log()
{
    static const Logger logger("AppKit", "Workspace");
    return logger;
}

NSError cannotOpen(const fs::path& bundle, int code, const std::string& problem)
{
    return NSError(NSPOSIXErrorDomain, code,
                   {{NSLocalizedDescriptionKey,
                     "The application \"" + bundle.filename().string() + "\" can't be opened: " + problem + "."}});
}

// The executable the bundle names, or the one file in Contents/MacOS.
std::optional<fs::path> mainExecutable(const fs::path& bundle)
{
    const fs::path folder = bundle / "Contents" / "MacOS";
    if (const std::optional<std::string> named = Bundle(bundle).infoString("CFBundleExecutable")) {
        return folder / *named;
    }
    std::error_code error;
    std::optional<fs::path> found;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (found) {
            return std::nullopt;
        }
        found = entry->path();
    }
    return found;
}

// Asks the running application of `bundle`'s identifier, if there is one, to
// come to the front; false when none runs or simmac cannot be asked.
bool activateRunningCopy(const fs::path& bundle)
{
    const std::optional<std::string> identifier = Bundle(bundle).bundleIdentifier();
    if (!identifier) {
        return false;
    }
    try {
        simulator::SimmacConnection simmac;
        const nlohmann::ordered_json listing = simmac.request("workspace.applications");
        for (const auto& description : listing.value("applications", nlohmann::ordered_json::array())) {
            const std::optional<NSRunningApplication> running = runningApplicationIn(description);
            if (running && running->bundleIdentifier() == identifier) {
                simmac.request("workspace.activate", {{"pid", running->processIdentifier()}});
                return true;
            }
        }
    } catch (const simulator::SimmacError&) {
        // It ended meanwhile, or nobody keeps the list: start a new one.
    }
    return false;
}

}  // namespace

NSWorkspace& NSWorkspace::shared()
{
    static NSWorkspace workspace;
    return workspace;
}

void NSWorkspace::openApplication(const fs::path& bundle, const NSWorkspaceOpenConfiguration&,
                                  OpenCompletion completion)
{
    if (activateRunningCopy(bundle)) {
        std::thread([completion = std::move(completion)] { completion(std::nullopt); }).detach();
        return;
    }
    const std::optional<fs::path> executable = mainExecutable(bundle);
    std::optional<NSError> failure;
    pid_t child = -1;
    if (!executable) {
        failure = cannotOpen(bundle, ENOENT, "it has no main executable");
    } else {
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        posix_spawnattr_setsigmask(&attributes, &noSignals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
        const std::string path = executable->string();
        std::vector<char*> arguments{const_cast<char*>(path.c_str()), nullptr};
        const int result = posix_spawn(&child, path.c_str(), nullptr, &attributes, arguments.data(), environ);
        posix_spawnattr_destroy(&attributes);
        if (result != 0) {
            failure = cannotOpen(bundle, result, path + " does not start (" + std::strerror(result) + ")");
        }
    }
    // The thread also reaps the new process, should it end while this one still runs.
    std::thread([child, failure = std::move(failure), completion = std::move(completion)] {
        completion(failure);
        if (child > 0) {
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }).detach();
}

bool NSWorkspace::openURL(const std::string& macPath)
{
    const fs::path target = SimulatedRoot::resolve(macPath);
    std::error_code error;
    if (target.extension() != ".app" || !fs::is_directory(target, error)) {
        log().error("Cannot open %{public}s: no application is there", target.string());
        return false;
    }
    openApplication(target, NSWorkspaceOpenConfiguration{}, [target](const std::optional<NSError>& failure) {
        if (failure) {
            log().error("Cannot open %{public}s: %{public}s", target.string(), failure->localizedDescription());
        }
    });
    return true;
}

std::vector<NSRunningApplication> NSWorkspace::runningApplications() const
{
    std::vector<NSRunningApplication> applications;
    try {
        simulator::SimmacConnection simmac;
        const nlohmann::ordered_json listing = simmac.request("workspace.applications");
        for (const auto& description : listing.value("applications", nlohmann::ordered_json::array())) {
            if (std::optional<NSRunningApplication> running = runningApplicationIn(description)) {
                applications.push_back(std::move(*running));
            }
        }
    } catch (const simulator::SimmacError&) {
        applications.clear();
    }
    return applications;
}

std::unique_ptr<NSWorkspaceObservation> NSWorkspace::addObserver(
    NSWorkspaceNotification name, std::function<void(const NSRunningApplication& application)> handler)
{
    return std::make_unique<WorkspaceNotificationObservation>(name, std::move(handler));
}

bool NSWorkspace::accessibilityDisplayShouldReduceMotion() const
{
    {
        std::lock_guard lock(mutex_);
        if (heardReduceMotion_) {
            return *heardReduceMotion_;
        }
    }
    try {
        simulator::SimmacConnection simmac;
        return simmac.request("accessibility.get").value("reduceMotion", false);
    } catch (const simulator::SimmacError&) {
        return false;
    }
}

std::unique_ptr<NSWorkspaceObservation> NSWorkspace::observeAccessibilityDisplayOptions(std::function<void()> handler)
{
    // Several observations share what they hear; the last to lose its
    // connection leaves the getter asking simmac again.
    auto hear = [this, connected = false](std::optional<bool> reduceMotion) mutable {
        std::lock_guard lock(mutex_);
        if (reduceMotion && !connected) {
            ++connectedObservations_;
        } else if (!reduceMotion && connected) {
            --connectedObservations_;
        }
        connected = reduceMotion.has_value();
        if (reduceMotion) {
            heardReduceMotion_ = reduceMotion;
        } else if (connectedObservations_ == 0) {
            heardReduceMotion_.reset();
        }
    };
    return std::make_unique<AccessibilityObservation>(std::move(handler), std::move(hear));
}

}  // namespace platform
