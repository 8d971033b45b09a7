// Velkora: the menu-bar application, shipped as Tallowmere.app. It answers
// --help, says so when there is no display, and otherwise opens its main
// window and runs its event loop until the application quits. Closing the
// window leaves the application running.
// The model starts with the application: it registers and checks the helper
// daemon, polls the battery and runs the scheduler whether or not a window
// is shown. The Shortcuts actions are offered for as long as the program runs.

#include "AppCommandLine.h"
#include "App/VelkoraApp.h"
#include "AppKit/NSApplication.h"
#include "Intents/VelkoraShortcuts.h"
#include "Log/Logger.h"
#include "Security/HardenedRuntime.h"
#include "VelkoraCore/IPC.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The helper serves this process only while nothing but its own code runs in it.
    platform::HardenedRuntime::adopt();
    if (const std::optional<int> status = velkora::AppCommandLine::handleBeforeStart(argc, argv)) {
        return *status;
    }
    QApplication application(argc, argv);
    if (const std::optional<int> status = velkora::AppCommandLine::refuseLeftovers(QApplication::arguments())) {
        return *status;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    platform::NSApplication::setTerminationHandler([] { QApplication::quit(); });
    // Without simmac the workspace does not know the application; it runs all the same.
    platform::NSApplication::finishLaunching();

    velkora::VelkoraApp app;
    app.openMainWindow();
    // Opened again while it runs: the window comes back.
    platform::NSApplication::setReopenHandler([&app] { app.openMainWindow(); });

    // The actions stand apart from the model: they run on the registry's own
    // thread and reach the daemon on their own.
    std::unique_ptr<platform::IntentRegistry> shortcuts;
    try {
        shortcuts = velkora::VelkoraShortcuts::publish();
    } catch (const platform::IntentRegistryError& error) {
        platform::Logger(std::string(velkora::IPC::machServiceName), "Shortcuts")
            .error("Shortcuts actions are not offered: %{public}s", error.what());
    }
    return QApplication::exec();
}
