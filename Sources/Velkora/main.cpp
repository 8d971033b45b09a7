// Velkora: the menu-bar application, shipped as Tallowmere.app. It answers
// --help, says so when there is no display, and otherwise opens its main
// window and runs its event loop until the application quits. Closing the
// window leaves the application running.
// The model starts with the application: it registers and checks the helper
// daemon, polls the battery and runs the scheduler whether or not a window
// is shown. The Shortcuts actions are offered for as long as the program runs.

#include "AppCommandLine.h"
#include "ApplicationLaunch.h"
#include "Security/HardenedRuntime.h"

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
    const velkora::ApplicationLaunch launch;
    return QApplication::exec();
}
