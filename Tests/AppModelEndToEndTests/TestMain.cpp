#include "BundledTestRun.h"

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
    // System Settings' page is a widget; it and the programs opened need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
