// The overlay as an X11 window manager and other windows meet it: each test
// process starts a display of its own and runs Qt's X11 platform on it.

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return WidgetTestRun::onVirtualDisplay(argc, argv, "the overlay's X11 tests");
}
