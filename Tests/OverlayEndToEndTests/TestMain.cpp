// The overlay end to end: each test inside a signed copy of the bundle (see
// BundledTestRun), on an X display of its own.

#include "TestSupport/VirtualDisplay.h"
#include "BundledTestRun.h"

#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool listing = std::find(arguments.begin(), arguments.end(), "--gtest_list_tests") != arguments.end();
    if (!listing && !BundledTestRun::isInsideBundle()) {
        return BundledTestRun::runEachInsideBundle(arguments);
    }
    testing::InitGoogleTest(&argc, argv);
    if (listing) {
        return RUN_ALL_TESTS();
    }
    const VirtualDisplay display;
    if (display.name().empty()) {
        std::fprintf(stderr, "Xvfb did not start: the overlay's end-to-end tests need it (scripts/setup installs it)\n");
        return 1;
    }
    QApplication application(argc, argv);
    velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
    return RUN_ALL_TESTS();
}
