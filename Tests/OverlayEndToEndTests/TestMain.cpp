// The overlay end to end: each test inside a signed copy of the bundle (see
// BundledTestRun), on an X display of its own.

#include "BundledTestRun.h"

#include "TestSupport/WidgetTestRun.h"

int main(int argc, char** argv)
{
    return BundledTestRun::run(argc, argv, [](int argc, char** argv) {
        return WidgetTestRun::onVirtualDisplay(argc, argv, "the overlay's end-to-end tests");
    });
}
