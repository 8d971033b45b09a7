#include "BundledTestRun.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

int runHere(int argc, char** argv)
{
    // System Settings' page is a widget; it and the programs opened need no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace

int main(int argc, char** argv)
{
    return BundledTestRun::run(argc, argv, runHere);
}
