#pragma once

#include "AppKit/NSRunningApplication.h"
#include "Foundation/NSError.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct NSWorkspaceOpenConfiguration {
    // Whether the application comes to the front. A newly started application
    // on a Linux desktop always does.
    bool activates = true;
};

// What the workspace tells its observers about applications that announced
// themselves (NSApplication::finishLaunching).
enum class NSWorkspaceNotification {
    // The application came to the front.
    didActivateApplication,
    // The application quit or died.
    didTerminateApplication,
};

// An observation of the workspace; it ends when destroyed.
class NSWorkspaceObservation {
public:
    virtual ~NSWorkspaceObservation() = default;
};

// Opens applications: the main executable of a bundle starts as a process of
// its own, in this process's environment and its own session, and outlives
// this process; an application of the same bundle identifier that already
// runs is asked to come to the front instead. Tells which applications run
// and which comes to the front or ends, and the user's accessibility display
// options, which simmac keeps ("simmacctl reduce-motion on|off").
class NSWorkspace {
public:
    using OpenCompletion = std::function<void(std::optional<NSError> error)>;

    static NSWorkspace& shared();

    // `completion` runs on a thread of its own once the process has started
    // (or the running one was asked to come to the front), or with the error
    // that kept it from starting. The main executable is the Info.plist's
    // CFBundleExecutable in Contents/MacOS, or else the one file there.
    void openApplication(const std::filesystem::path& bundle, const NSWorkspaceOpenConfiguration& configuration,
                         OpenCompletion completion);

    // Opens the file at `macPath`, a path of the simulated Mac: an
    // application bundle (a folder named *.app) opens as openApplication()
    // opens it. False when there is nothing at the path that it can open; the
    // start itself goes on after the call and its failure is only logged.
    bool openURL(const std::string& macPath);

    // The applications that announced themselves, oldest first; empty when
    // simmac cannot be asked.
    std::vector<NSRunningApplication> runningApplications() const;

    // Runs `handler` on the calling thread, from its Qt event loop, with the
    // application each time `name` happens, until the observation is
    // destroyed (on that thread). When simmac is not running, or goes away,
    // the observation tries again every two seconds; what happened meanwhile
    // is not told.
    [[nodiscard]] std::unique_ptr<NSWorkspaceObservation> addObserver(
        NSWorkspaceNotification name, std::function<void(const NSRunningApplication& application)> handler);

    // Whether the user asked applications to reduce motion; false when simmac
    // cannot be asked. While an observation (below) is connected this is the
    // value it last heard, read without asking simmac; otherwise a short
    // request on a connection of its own.
    bool accessibilityDisplayShouldReduceMotion() const;

    // Runs `handler` on the calling thread, from its Qt event loop, after each
    // change of the accessibility display options, until the observation is
    // destroyed (on that thread). When simmac is not running, or goes away,
    // the observation tries again every two seconds and runs `handler` once
    // it has reached simmac again, since the setting may differ there.
    [[nodiscard]] std::unique_ptr<NSWorkspaceObservation> observeAccessibilityDisplayOptions(
        std::function<void()> handler);

private:
    NSWorkspace() = default;

    mutable std::mutex mutex_;
    // What the connected observations last heard; nothing when none is.
    std::optional<bool> heardReduceMotion_;
    int connectedObservations_ = 0;
};

}  // namespace platform
