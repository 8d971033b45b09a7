// Each test inside a signed copy of the bundle, on an X display of its own.

#include "BundledTestRun.h"

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return BundledTestRun::run(argc, argv, [](int count, char** arguments) {
        return WidgetTestRun::onVirtualDisplay(count, arguments, "the first-start X11 tests");
    });
}
