// Windows of one application on a bare X server: each test process starts a
// display of its own and runs Qt's X11 platform on it.

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return WidgetTestRun::onVirtualDisplay(argc, argv, "the window-stacking X11 tests");
}
