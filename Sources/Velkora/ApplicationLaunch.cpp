#include "ApplicationLaunch.h"

#include "AppKit/NSApplication.h"
#include "Intents/VelkoraShortcuts.h"
#include "Log/Logger.h"
#include "VelkoraCore/IPC.h"

#include <QApplication>

namespace velkora {

ApplicationLaunch::ApplicationLaunch()
{
    QApplication::setQuitOnLastWindowClosed(false);
    platform::NSApplication::setTerminationHandler([] { QApplication::quit(); });
    // Without simmac the workspace does not know the application; it runs all the same.
    platform::NSApplication::finishLaunching();

    app_ = std::make_unique<VelkoraApp>();
    app_->openMainWindow();
    // Opened again while it runs: the window comes back.
    platform::NSApplication::setReopenHandler([app = app_.get()] { app->openMainWindow(); });

    try {
        shortcuts_ = VelkoraShortcuts::publish();
    } catch (const platform::IntentRegistryError& error) {
        platform::Logger(std::string(IPC::machServiceName), "Shortcuts")
            .error("Shortcuts actions are not offered: %{public}s", error.what());
    }
}

ApplicationLaunch::~ApplicationLaunch()
{
    platform::NSApplication::setReopenHandler({});
    shortcuts_.reset();
}

}  // namespace velkora
