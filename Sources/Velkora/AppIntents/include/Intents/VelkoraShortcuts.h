#pragma once

#include "AppIntents/AppIntentsCatalogue.h"
#include "AppIntents/IntentRegistry.h"

#include <memory>
#include <vector>

namespace velkora {

// What the application declares to Shortcuts: its ten actions, the two
// enumerations and five of the actions as app shortcuts with a phrase each.
class VelkoraShortcuts {
public:
    VelkoraShortcuts() = delete;

    // Top up, pause, discharge, calibrate and set the charge limit (asked for
    // when run), in that order.
    static std::vector<platform::AppShortcut> appShortcuts();
    static platform::AppIntentsCatalogue catalogue();

    // Starts serving the catalogue to the `shortcuts` tool for as long as the
    // returned registry lives, as the application "com.velkora.app" named by
    // its bundle, in the application's language. Throws
    // platform::IntentRegistryError when it cannot.
    static std::unique_ptr<platform::IntentRegistry> publish();
};

}  // namespace velkora
