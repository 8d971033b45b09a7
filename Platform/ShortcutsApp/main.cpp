// Shortcuts of the simulated Mac: the actions of the running applications,
// each run with its parameters in its application.

#include "AppKit/SimulatedApplicationMain.h"
#include "ShortcutsApp/ShortcutsWindow.h"

#include <memory>

namespace {

constexpr const char* usage =
    "usage: Shortcuts\n"
    "Lists the actions that the running applications of the simulated Mac found through $SIMMAC_ROOT\n"
    "offer, and runs the chosen one with the parameters given in its fields. It quits when its\n"
    "window closes or when simmac stops.\n";

}  // namespace

int main(int argc, char** argv)
{
    return platform::runSimulatedApplication(argc, argv, "Shortcuts", usage, [] {
        auto window = std::make_unique<platform::ShortcutsWindow>();
        window->resize(520, 480);
        return window;
    });
}
