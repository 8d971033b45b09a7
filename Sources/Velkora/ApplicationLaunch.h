#pragma once

#include "App/VelkoraApp.h"
#include "AppIntents/IntentRegistry.h"

#include <memory>

namespace velkora {

// The running application as the program starts it, once its QApplication
// exists: it quits only when told to (closing the window leaves it running),
// is announced to the workspace (it runs on without simmac), opens its main
// window, shows the window again whenever it is opened while running, and
// offers its Shortcuts actions (logging why when it cannot). Made once, on
// the main thread; the program's event loop runs while it lives.
class ApplicationLaunch {
public:
    ApplicationLaunch();
    ~ApplicationLaunch();
    ApplicationLaunch(const ApplicationLaunch&) = delete;
    ApplicationLaunch& operator=(const ApplicationLaunch&) = delete;

    VelkoraApp& app() const { return *app_; }

private:
    std::unique_ptr<VelkoraApp> app_;
    // The actions stand apart from the model: they run on the registry's own
    // thread and reach the daemon on their own.
    std::unique_ptr<platform::IntentRegistry> shortcuts_;
};

}  // namespace velkora
