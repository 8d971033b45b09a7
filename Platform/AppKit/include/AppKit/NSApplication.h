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
class NSApplication {
public:
    static void setActivationPolicy(NSApplicationActivationPolicy policy);
    static NSApplicationActivationPolicy activationPolicy();

    static void setTerminationHandler(std::function<void()> handler);
    static void terminate();
};

}  // namespace platform
