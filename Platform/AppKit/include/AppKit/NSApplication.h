#pragma once

namespace platform {

enum class NSApplicationActivationPolicy { regular, accessory, prohibited };

// The application object's activation policy: whether the application shows a
// Dock icon and a menu bar (regular) or runs as an accessory without them. A
// Linux desktop has no Dock, so the policy is only recorded for the
// application's own windows to consult.
class NSApplication {
public:
    static void setActivationPolicy(NSApplicationActivationPolicy policy);
    static NSApplicationActivationPolicy activationPolicy();
};

}  // namespace platform
