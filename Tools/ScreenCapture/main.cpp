// velkora-capture-screen: saves what an X display shows (the whole screen)
// to a PNG file, to look at the application running on a virtual display.
//
//   velkora-capture-screen FILE.png    the display named by DISPLAY

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* usage =
    "usage: velkora-capture-screen FILE.png\n"
    "Saves the screen of the X display named by DISPLAY to FILE.png.\n";

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc >= 2 && argv[1][0] == '-') {
        std::fprintf(stderr, "velkora-capture-screen: unknown option '%s'\n%s", argv[1], usage);
        return 2;
    }
    if (argc != 2) {
        std::fprintf(stderr, "velkora-capture-screen: %s\n%s", argc < 2 ? "no file given" : "one file only", usage);
        return 2;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fputs("velkora-capture-screen: DISPLAY is not set: there is no X display to capture\n", stderr);
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "velkora-capture-screen: the display %s has no screen\n", display);
        return 1;
    }
    const QPixmap picture = screen->grabWindow(0);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "velkora-capture-screen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
