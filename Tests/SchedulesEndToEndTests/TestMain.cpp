#include "BundledTestRun.h"

#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool listing = std::find(arguments.begin(), arguments.end(), "--gtest_list_tests") != arguments.end();
    if (!listing && !BundledTestRun::isInsideBundle()) {
        return BundledTestRun::runEachInsideBundle(arguments);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
