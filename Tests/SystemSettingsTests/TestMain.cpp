#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The programs it opens inherit this, so they need no display either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
