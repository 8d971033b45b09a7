#include "AppKit/SimulatedApplicationMain.h"

#include "AppKit/NSApplication.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace platform {

int runSimulatedApplication(int argc, char** argv, const char* name, const char* usage,
                            const std::function<std::unique_ptr<QWidget>()>& makeWindow)
{
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--help") == 0 || std::strcmp(argv[index], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    if (argc > 1) {
        std::fprintf(stderr, "%s: %s '%s'\n%s", name, argv[1][0] == '-' ? "unknown option" : "unexpected argument",
                     argv[1], usage);
        return 2;
    }
    QApplication application(argc, argv);
    NSApplication::setTerminationHandler([] { QCoreApplication::quit(); });

    const std::unique_ptr<QWidget> window = makeWindow();
    window->show();

    if (!NSApplication::finishLaunching()) {
        return 1;
    }
    NSApplication::activate();
    return application.exec();
}

}  // namespace platform
