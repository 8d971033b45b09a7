// Shortcuts of the simulated Mac: the actions of the running applications,
// each run with its parameters in its application.

#include "AppKit/NSApplication.h"
#include "ShortcutsApp/ShortcutsWindow.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* usage =
    "usage: Shortcuts\n"
    "Lists the actions that the running applications of the simulated Mac found through $SIMMAC_ROOT\n"
    "offer, and runs the chosen one with the parameters given in its fields. It quits when its\n"
    "window closes or when simmac stops.\n";

}  // namespace

int main(int argc, char** argv)
{
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--help") == 0 || std::strcmp(argv[index], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    if (argc > 1) {
        std::fprintf(stderr, "Shortcuts: %s '%s'\n%s", argv[1][0] == '-' ? "unknown option" : "unexpected argument",
                     argv[1], usage);
        return 2;
    }
    QApplication application(argc, argv);
    platform::NSApplication::setTerminationHandler([] { QCoreApplication::quit(); });

    platform::ShortcutsWindow window;
    window.resize(520, 480);
    window.show();

    // Without simmac nobody would end it: it quits at once, the log says why.
    if (!platform::NSApplication::finishLaunching()) {
        return 1;
    }
    platform::NSApplication::activate();
    return application.exec();
}
