#pragma once

#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace velkora {

// The Velkora program's command line. It takes no options of its own beyond
// --help; Qt's (-platform NAME and the like) are left to QApplication, and
// whatever Qt did not take is refused.
class AppCommandLine {
public:
    AppCommandLine() = delete;

    static const char* usage();

    // Before the application object exists: --help prints the usage (0), and
    // without a display to show windows on, one line says so (1). Otherwise
    // nothing, and the program goes on.
    static std::optional<int> handleBeforeStart(int argc, char** argv);

    // After QApplication took its own options from `arguments` (the program
    // first): an argument left over is refused with one line and the usage (2).
    static std::optional<int> refuseLeftovers(const QStringList& arguments);

    // Whether Qt can open a display: the platform from "-platform NAME" in
    // `arguments`, else QT_QPA_PLATFORM (a ';'-separated list of candidates,
    // each possibly with ":options"), else the desktop's default, which needs
    // DISPLAY or WAYLAND_DISPLAY. xcb needs DISPLAY, wayland WAYLAND_DISPLAY;
    // any other platform (offscreen, minimal, vnc, ...) needs none.
    static bool hasDisplay(const std::vector<std::string>& arguments, const char* platform, const char* display,
                           const char* waylandDisplay);
};

}  // namespace velkora
