// The menu-bar item and its popover on a real X11 display: each test
// process starts a display of its own and runs Qt's X11 platform on it.

#include "TestSupport/VirtualDisplay.h"

#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    const VirtualDisplay display;
    if (display.name().empty()) {
        std::fprintf(stderr, "Xvfb did not start: the menu-bar X11 tests need it (scripts/setup installs it)\n");
        return 1;
    }
    QApplication application(argc, argv);
    velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
    return RUN_ALL_TESTS();
}
