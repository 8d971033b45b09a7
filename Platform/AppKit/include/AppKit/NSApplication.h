#pragma once

#include <functional>

namespace platform {

enum class NSApplicationActivationPolicy { regular, accessory, prohibited };

// The application object's activation policy: whether the application shows a
// Dock icon and a menu bar (regular) or runs as an accessory without them. A
// Linux desktop has no Dock, so the policy is only recorded for the
// application's own windows to consult.
//
// Termination runs the handler the application set (a Qt application quits its
// event loop there) or, without one, exits the process.
//
// An application that finished launching is known to the workspace
// (NSWorkspace): by the main bundle's identifier and name, as running until
// the process ends, and as the front application whenever it becomes active.
class NSApplication {
public:
    // Announces this process to the workspace as the main bundle's
    // application (CFBundleIdentifier, CFBundleName or else the bundle's file
    // name) and publishes each later activation of the Qt application. When
    // the workspace asks the application to come to the front (opening an
    // application that already runs) it activates. When simmac goes away, the
    // application terminates, as on a Mac that shut down. Call once, on the
    // main thread of a QApplication; returns false (and logs why) when the
    // main bundle has no identifier or simmac cannot be reached.
    static bool finishLaunching();
    // Raises the application's visible windows and publishes its activation.
    static void activate();

    static void setActivationPolicy(NSApplicationActivationPolicy policy);
    static NSApplicationActivationPolicy activationPolicy();

    // Runs `handler` on the main thread each time the workspace asks the
    // application to come to the front (the user opened it again), before
    // its windows are raised: an application whose window was closed opens
    // it again there.
    static void setReopenHandler(std::function<void()> handler);
    // What the workspace's request runs: the reopen handler, then activate().
    static void reopen();

    static void setTerminationHandler(std::function<void()> handler);
    static void terminate();
};

}  // namespace platform
