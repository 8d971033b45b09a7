// The overlay as an X11 window manager and other windows meet it: each test
// process starts a display of its own (Xvfb, which picks a free number and
// reports it) and runs Qt's X11 platform on it.

#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t xvfb = -1;

void stopDisplay()
{
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
        xvfb = -1;
    }
}

// Starts Xvfb and returns its display name, or nothing when it did not come up.
std::string startDisplay()
{
    int ready[2];
    if (pipe(ready) != 0) {
        return {};
    }
    xvfb = fork();
    if (xvfb == 0) {
        close(ready[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const std::string fd = std::to_string(ready[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    char c = 0;
    while (read(ready[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(ready[0]);
    return number.empty() ? std::string() : ":" + number;
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    const std::string display = startDisplay();
    if (display.empty()) {
        std::fprintf(stderr, "Xvfb did not start: the overlay's X11 tests need it (scripts/setup installs it)\n");
        stopDisplay();
        return 1;
    }
    qputenv("DISPLAY", QByteArray::fromStdString(display));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication application(argc, argv);
        velkora::VelkoraTheme::apply(velkora::AppAppearance::dark);
        status = RUN_ALL_TESTS();
    }
    stopDisplay();
    return status;
}
