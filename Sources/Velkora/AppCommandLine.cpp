#include "AppCommandLine.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace velkora {

namespace {

bool isSet(const char* value)
{
    return value != nullptr && *value != '\0';
}

bool candidateHasDisplay(std::string_view candidate, const char* display, const char* waylandDisplay)
{
    const std::string_view name = candidate.substr(0, candidate.find(':'));
    if (name.empty()) {
        return isSet(display) || isSet(waylandDisplay);
    }
    if (name == "xcb") {
        return isSet(display);
    }
    if (name.starts_with("wayland")) {
        return isSet(waylandDisplay);
    }
    return true;
}

}  // namespace

const char* AppCommandLine::usage()
{
    return "usage: Velkora [--help] [Qt's options, such as -platform NAME]\n"
           "The menu-bar application of Tallowmere. It needs a display: DISPLAY (an X server, or Xvfb),\n"
           "or QT_QPA_PLATFORM=offscreen to run without showing anything. It logs to standard error;\n"
           "VELKORA_LOG_LEVEL=debug adds the debug lines.\n";
}

std::optional<int> AppCommandLine::handleBeforeStart(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage(), stdout);
            return 0;
        }
    }
    if (!hasDisplay(arguments, std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                    std::getenv("WAYLAND_DISPLAY"))) {
        std::fputs("Velkora: no display to show the application on; set DISPLAY, or QT_QPA_PLATFORM=offscreen to "
                   "run without one\n",
                   stderr);
        return 1;
    }
    return std::nullopt;
}

std::optional<int> AppCommandLine::refuseLeftovers(const QStringList& arguments)
{
    if (arguments.size() <= 1) {
        return std::nullopt;
    }
    const QString& first = arguments.at(1);
    const QByteArray text = first.toLocal8Bit();
    std::fprintf(stderr, "Velkora: unknown %s '%s'\n%s", first.startsWith(u'-') ? "option" : "argument",
                 text.constData(), usage());
    return 2;
}

bool AppCommandLine::hasDisplay(const std::vector<std::string>& arguments, const char* platform, const char* display,
                                const char* waylandDisplay)
{
    std::string chosen = platform != nullptr ? platform : "";
    for (std::size_t index = 0; index + 1 < arguments.size(); ++index) {
        if (arguments[index] == "-platform" || arguments[index] == "--platform") {
            chosen = arguments[index + 1];
        }
    }
    std::string_view candidates = chosen;
    do {
        const std::size_t end = candidates.find(';');
        if (candidateHasDisplay(candidates.substr(0, end), display, waylandDisplay)) {
            return true;
        }
        candidates = end == std::string_view::npos ? std::string_view() : candidates.substr(end + 1);
    } while (!candidates.empty());
    return false;
}

}  // namespace velkora
