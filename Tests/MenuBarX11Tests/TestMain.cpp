// The menu-bar item and its popover on a real X11 display: each test
// process starts a display of its own and runs Qt's X11 platform on it.

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return WidgetTestRun::onVirtualDisplay(argc, argv, "the menu-bar X11 tests");
}
