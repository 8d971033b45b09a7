#include "TestSupport/XTestInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

XTestInput::XTestInput(const std::string& display)
{
    display_ = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (display_ == nullptr) {
        return;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    available_ = XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor) != 0;
}

XTestInput::~XTestInput()
{
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

void XTestInput::flush()
{
    XSync(display_, False);
}

void XTestInput::moveTo(int x, int y)
{
    XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime);
    flush();
}

void XTestInput::press(unsigned int button)
{
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    flush();
}

void XTestInput::release(unsigned int button)
{
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    flush();
}

void XTestInput::click(int x, int y, unsigned int button)
{
    moveTo(x, y);
    press(button);
    release(button);
}

void XTestInput::tap(const char* keysym)
{
    const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(keysym));
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    flush();
}

void XTestInput::giveFocus(unsigned long window)
{
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    flush();
}

std::vector<unsigned long> XTestInput::stacking() const
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<unsigned long> order;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) != 0) {
        order.assign(children, children + count);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return order;
}

int XTestInput::stackingIndex(unsigned long window) const
{
    const std::vector<unsigned long> order = stacking();
    const auto found = std::find(order.begin(), order.end(), window);
    return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

unsigned long XTestInput::windowUnderPointer() const
{
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return child;
}

unsigned long XTestInput::focus() const
{
    Window window = 0;
    int revert = 0;
    XGetInputFocus(display_, &window, &revert);
    return window;
}
