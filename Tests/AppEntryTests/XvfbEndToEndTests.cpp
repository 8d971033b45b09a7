// The application as a user starts it, on a virtual X display (Xvfb) and a
// simulated laptop: its main window comes up, the menu-bar strip shows the
// battery percentage that simmac reports, and a click on the strip opens the
// popover. The display is read and clicked from outside, through Xlib.

#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"
#include "UserDefaults/UserDefaults.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

// Last: Xlib's macros (None, Status, Bool) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// A mapped top-level window of the display: its id, name and place.
struct ShownWindow {
    Window id = 0;
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class XvfbEndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        // Xvfb picks a free display and writes its number on standard output.
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
        ASSERT_TRUE(server.waitForStarted());
        ASSERT_TRUE(eventually([&] {
            server.waitForReadyRead(50);
            return server.canReadLine();
        })) << "Xvfb named no display";
        displayName = QStringLiteral(":") + QString::fromLatin1(server.readLine()).trimmed();
        display = XOpenDisplay(displayName.toLocal8Bit().constData());
        ASSERT_NE(display, nullptr) << displayName.toStdString();
    }

    void TearDown() override
    {
        if (application.state() != QProcess::NotRunning) {
            application.terminate();
            if (!application.waitForFinished(5000)) {
                application.kill();
                application.waitForFinished();
            }
        }
        if (display != nullptr) {
            XCloseDisplay(display);
        }
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            server.waitForFinished();
        }
    }

    void startApplication()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SIMMAC_ROOT"), QString::fromStdString(simmac.root().string()));
        environment.insert(QStringLiteral("DISPLAY"), displayName);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        application.setProcessEnvironment(environment);
        application.setProcessChannelMode(QProcess::ForwardedChannels);
        application.start(QStringLiteral(VELKORA_APP_BUNDLE "/Contents/MacOS/Velkora"), {});
        ASSERT_TRUE(application.waitForStarted());
    }

    static bool eventually(const std::function<bool()>& condition)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!condition()) {
            if (elapsed.elapsed() > 20000) {
                return false;
            }
            QThread::msleep(50);
        }
        return true;
    }

    // The viewable window named `name`, if the display shows one.
    std::optional<ShownWindow> shown(const std::function<bool(const std::string&)>& matches)
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        XSync(display, False);
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
            return std::nullopt;
        }
        std::optional<ShownWindow> found;
        for (unsigned int i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            char* name = nullptr;
            if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
                attributes.map_state != IsViewable || XFetchName(display, children[i], &name) == 0 ||
                name == nullptr) {
                continue;
            }
            const std::string text(name);
            XFree(name);
            if (matches(text)) {
                found = ShownWindow{children[i], text, attributes.x, attributes.y, attributes.width,
                                    attributes.height};
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    std::optional<ShownWindow> named(const std::string& name)
    {
        return shown([&](const std::string& text) { return text == name; });
    }

    // What a window manager sends when the user closes the window.
    void askToClose(const ShownWindow& window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window.id;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window.id, False, NoEventMask, &event);
        XFlush(display);
    }

    // A press and release of the left button at the window's centre.
    void click(const ShownWindow& window)
    {
        for (const int type : {ButtonPress, ButtonRelease}) {
            XEvent event{};
            event.xbutton.type = type;
            event.xbutton.display = display;
            event.xbutton.window = window.id;
            event.xbutton.root = DefaultRootWindow(display);
            event.xbutton.x = window.width / 2;
            event.xbutton.y = window.height / 2;
            event.xbutton.x_root = window.x + window.width / 2;
            event.xbutton.y_root = window.y + window.height / 2;
            event.xbutton.button = Button1;
            event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
            event.xbutton.same_screen = True;
            XSendEvent(display, window.id, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        }
        XFlush(display);
    }

    testsupport::SimmacProcess simmac;
    QProcess server;
    QProcess application;
    QString displayName;
    Display* display = nullptr;
};

TEST_F(XvfbEndToEndTest, TheWindowAndTheStripWithSimmacsPercentageComeUpAndTheStripOpensThePopover)
{
    ASSERT_EQ(simmac.simmacctl({"level", "73"}).exitCode, 0);
    startApplication();

    ASSERT_TRUE(eventually([&] { return named("Tallowmere").has_value(); })) << "no main window was mapped";
    const ShownWindow window = *named("Tallowmere");
    EXPECT_EQ(window.width, 1180);
    EXPECT_EQ(window.height, 760);

    // The strip names what it shows: simmac's level as the battery's percentage.
    std::optional<ShownWindow> strip;
    ASSERT_TRUE(eventually([&] {
        strip = named("Tallowmere Status: 73%");
        return strip.has_value();
    })) << "the strip does not show 73%"
        << (shown([](const std::string& text) { return text.starts_with("Tallowmere Status"); })
                ? ": it shows " + shown([](const std::string& text) { return text.starts_with("Tallowmere Status"); })->name
                : ": there is none");
    EXPECT_EQ(strip->y, 0);
    EXPECT_EQ(strip->x + strip->width, 1280) << "at the top right of the screen";

    ASSERT_FALSE(named("Tallowmere Menu").has_value());
    click(*strip);
    std::optional<ShownWindow> popover;
    ASSERT_TRUE(eventually([&] {
        popover = named("Tallowmere Menu");
        return popover.has_value();
    })) << "the click on the strip opened no popover";
    EXPECT_GE(popover->y, strip->y + strip->height);
    EXPECT_EQ(application.state(), QProcess::Running);
}

TEST_F(XvfbEndToEndTest, AClosedWindowComesBackWhenTheApplicationIsOpenedAgain)
{
    // A user who finished the welcome: no sheet holds the window.
    platform::UserDefaults(QStringLiteral("com.velkora.app")).set(QStringLiteral("hasCompletedOnboarding"), true);
    startApplication();
    ASSERT_TRUE(eventually([&] { return named("Tallowmere").has_value(); })) << "no main window was mapped";
    askToClose(*named("Tallowmere"));
    ASSERT_TRUE(eventually([&] { return !named("Tallowmere").has_value(); })) << "the window did not close";
    EXPECT_EQ(application.state(), QProcess::Running) << "closing the window leaves the application running";

    // Opening the running application again: the workspace asks it to come to the front.
    simulator::SimmacConnection workspace;
    workspace.request("workspace.activate", {{"pid", application.processId()}});
    ASSERT_TRUE(eventually([&] { return named("Tallowmere").has_value(); })) << "the window did not come back";
    EXPECT_EQ(named("Tallowmere")->width, 1180);
}

}  // namespace
