// velkora-close-window: asks top-level windows of an X display to close, as a
// window manager does when the user clicks a window's close button: a
// WM_DELETE_WINDOW client message, which the application may answer as it
// likes. Works on a bare X server (Xvfb) without a window manager, unlike
// tools that destroy the window or ask a manager to close it.
//
//   velkora-close-window NAME              the windows named NAME
//   velkora-close-window --sheets-of NAME  the windows that stand over them
//                                          (transient for them), such as a
//                                          modal sheet

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Last: Xlib's macros (None, Status, Bool) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr const char* usage =
    "usage: velkora-close-window [--sheets-of] NAME\n"
    "Sends WM_DELETE_WINDOW to every viewable top-level window named NAME on\n"
    "the X display named by DISPLAY, or with --sheets-of to the viewable\n"
    "windows transient for them; exits 1 when there is none.\n";

// The window's name as the application set it: the UTF-8 one desktops
// show, else the older Latin-1 one.
std::optional<std::string> nameOf(Display* display, Window window)
{
    const Atom utf8Name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display, window, utf8Name, 0, 1024, False, utf8String, &type, &format, &count, &remaining,
                           &value) == Success &&
        value != nullptr) {
        const std::string name(reinterpret_cast<const char*>(value), count);
        XFree(value);
        if (type == utf8String && format == 8) {
            return name;
        }
    }
    char* latin = nullptr;
    if (XFetchName(display, window, &latin) == 0 || latin == nullptr) {
        return std::nullopt;
    }
    const std::string name(latin);
    XFree(latin);
    return name;
}

bool isViewable(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

std::vector<Window> topLevelWindows(Display* display)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        windows.assign(children, children + count);
        if (children != nullptr) {
            XFree(children);
        }
    }
    return windows;
}

void askToClose(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    const bool sheets = argc == 3 && std::strcmp(argv[1], "--sheets-of") == 0;
    if ((argc != 2 && !sheets) || (argc == 2 && argv[1][0] == '-') || argv[argc - 1][0] == '\0') {
        std::fprintf(stderr, "velkora-close-window: %s\n%s", argc < 2 ? "no window name given" : "bad arguments",
                     usage);
        return 2;
    }
    const std::string wanted = argv[argc - 1];
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        std::fprintf(stderr, "velkora-close-window: cannot open the X display '%s'\n",
                     displayName != nullptr ? displayName : "");
        return 1;
    }
    const std::vector<Window> windows = topLevelWindows(display);
    std::set<Window> named;
    for (const Window window : windows) {
        if (isViewable(display, window) && nameOf(display, window) == wanted) {
            named.insert(window);
        }
    }
    int asked = 0;
    for (const Window window : windows) {
        Window owner = 0;
        const bool chosen = sheets ? isViewable(display, window) && XGetTransientForHint(display, window, &owner) != 0 &&
                                         named.count(owner) != 0
                                   : named.count(window) != 0;
        if (chosen) {
            askToClose(display, window);
            ++asked;
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    if (asked == 0) {
        std::fprintf(stderr, "velkora-close-window: no %s'%s' is shown\n", sheets ? "sheet over a window named " : "window named ",
                     wanted.c_str());
        return 1;
    }
    return 0;
}
