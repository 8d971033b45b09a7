#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace platform {

// The main of one of the simulated Mac's own applications (System Settings,
// Shortcuts): answers --help with `usage`, refuses any other argument naming
// `name` (exit status 2), then shows the window `makeWindow` builds and runs
// until the application is told to terminate or simmac stops. Without simmac
// it returns 1 at once, as nobody could end it; the log says why.
int runSimulatedApplication(int argc, char** argv, const char* name, const char* usage,
                            const std::function<std::unique_ptr<QWidget>()>& makeWindow);

}  // namespace platform
