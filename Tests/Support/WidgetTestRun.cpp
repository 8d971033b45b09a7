#include "TestSupport/WidgetTestRun.h"

#include "TestSupport/VirtualDisplay.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

namespace WidgetTestRun {

int offscreen(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

int onVirtualDisplay(int argc, char** argv, const char* tests)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    const VirtualDisplay display;
    if (display.name().empty()) {
        std::fprintf(stderr, "Xvfb did not start: %s need it (scripts/setup installs it)\n", tests);
        return 1;
    }
    QApplication application(argc, argv);
    velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
    return RUN_ALL_TESTS();
}

}  // namespace WidgetTestRun
