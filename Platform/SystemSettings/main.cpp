// System Settings of the simulated Mac, opened at its Login Items page.

#include "AppKit/NSApplication.h"
#include "SystemSettings/LoginItemsPage.h"

#include <QApplication>
#include <QScrollArea>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* usage =
    "usage: \"System Settings\"\n"
    "Opens the Login Items page of the simulated Mac found through $SIMMAC_ROOT: the background\n"
    "items its launchd knows, each with an \"Allow in the Background\" switch. It quits when its\n"
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
        std::fprintf(stderr, "System Settings: %s '%s'\n%s",
                     argv[1][0] == '-' ? "unknown option" : "unexpected argument", argv[1], usage);
        return 2;
    }
    QApplication application(argc, argv);
    platform::NSApplication::setTerminationHandler([] { QCoreApplication::quit(); });

    QScrollArea window;
    window.setWindowTitle(QStringLiteral("Login Items & Extensions"));
    window.setWidgetResizable(true);
    window.setWidget(new platform::LoginItemsPage);
    window.resize(560, 420);
    window.show();

    // Settings of a Mac that is not there have nothing to show; the log says why.
    if (!platform::NSApplication::finishLaunching()) {
        return 1;
    }
    platform::NSApplication::activate();
    return application.exec();
}
