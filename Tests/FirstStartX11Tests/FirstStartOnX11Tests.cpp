// The first start of the application as a new user meets it on a bare X
// server: the welcome sheet over the window, Get Started, a look at the
// menu-bar panel, the overlay moved aside, Install, the approval, a limit of
// 60 % that the daemon then holds. Every step is a click or a key of the
// pointer and keyboard (XTest) at the place where the widget shows, and the
// X server is asked what a person would see: which window is on top there.

#include "ApplicationLaunch.h"

#include "App/BackgroundPermissionGuidePresenter.h"
#include "App/MainWindow.h"
#include "Battery/ChargeLimitStatusRow.h"
#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/StatusStrip.h"
#include "Overlay/OverlayPanel.h"
#include "Overlay/OverlayPresenter.h"
#include "Window/OnboardingView.h"

#include "VisualKit/VelkoraButton.h"

#include "Model/AppModel.h"
#include "TestSupport/SimmacProcess.h"
#include "TestSupport/XTestInput.h"
#include "VelkoraCore/IPC.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velkora {
namespace {

using Json = nlohmann::ordered_json;

// How long a widget stays in place before it counts as at rest: longer than
// a turn of the model's one-second poll takes to show what it brought.
constexpr int restMilliseconds = 300;

class FirstStartOnX11 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(input.isAvailable()) << "the display offers no XTest";
        simmac.emplace(testsupport::SimmacProcess::heldLaptopForBundledApplication());
        simmac->simmacctl({"plug"});
        simmac->simmacctl({"level", "80"});
        launch = std::make_unique<ApplicationLaunch>();
    }

    void TearDown() override
    {
        launch.reset();
        QApplication::processEvents();
        simmac.reset();
    }

    // Processes events until `ready` holds; false after `milliseconds`.
    static bool waitFor(const std::function<bool()>& ready, int milliseconds = 15000)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!ready()) {
            if (elapsed.elapsed() > milliseconds) {
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    VelkoraApp& app() const { return launch->app(); }
    AppModel& model() const { return app().model(); }

    // The widget of the main window named `name` once it shows (a page is
    // made when its route is chosen); null when none does.
    QWidget* inWindow(const char* name) const
    {
        QWidget* found = nullptr;
        waitFor([&] {
            found = app().mainWindow() != nullptr ? app().mainWindow()->findChild<QWidget*>(QLatin1String(name))
                                                  : nullptr;
            return found != nullptr && found->isVisible();
        });
        return found;
    }

    // The welcome sheet while it is up.
    QDialog* sheet() const
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("sheet-onboarding") && window->isVisible()) {
                return qobject_cast<QDialog*>(window);
            }
        }
        return nullptr;
    }

    bool isAbove(const QWidget* upper, const QWidget* lower) const
    {
        const int top = input.stackingIndex(upper->winId());
        const int bottom = input.stackingIndex(lower->winId());
        return top >= 0 && bottom >= 0 && top > bottom;
    }

    static QPoint centreOf(const QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }

    // A click where `widget` shows, as a person clicks what has come to rest:
    // once its place on the screen stays the same for a moment (a page laid
    // out anew, a row that comes or goes, moves it) and the pointer there is
    // over its window.
    void click(const QWidget* widget, const char* what)
    {
        ASSERT_NE(widget, nullptr) << what << " is not there";
        QRect place;
        QElapsedTimer still;
        ASSERT_TRUE(waitFor([&] {
            const QRect now(widget->mapToGlobal(QPoint(0, 0)), widget->size());
            if (!widget->isVisible() || !widget->isEnabled() || now != place) {
                place = now;
                still.start();
                return false;
            }
            return still.elapsed() >= restMilliseconds;
        })) << what << " does not come to rest";
        const QPoint point = place.center();
        input.moveTo(point.x(), point.y());
        ASSERT_TRUE(waitFor([&] { return input.windowUnderPointer() == widget->window()->winId(); }))
            << what << " is covered by window " << input.windowUnderPointer();
        input.press();
        input.release();
    }

    Json battery() const { return simmac->status()["battery"]; }

    bool isRegistered() const
    {
        const Json status = simmac->status();
        for (const Json& job : status["launchd"]["jobs"]) {
            if (job.value("label", "") == IPC::machServiceName) {
                return true;
            }
        }
        return false;
    }

    XTestInput input;
    std::optional<testsupport::SimmacProcess> simmac;
    std::unique_ptr<ApplicationLaunch> launch;
};

TEST_F(FirstStartOnX11, TheWelcomeShowsOverTheWindowAndEveryStepToAHeldLimitIsAClickAway)
{
    // The welcome sheet covers the window and has the keyboard.
    ASSERT_TRUE(waitFor([&] { return app().mainWindow() != nullptr && sheet() != nullptr; }))
        << "no welcome sheet came up";
    MainWindow* window = app().mainWindow();
    QDialog* welcome = sheet();
    ASSERT_TRUE(waitFor([&] { return isAbove(welcome, window) && input.focus() == welcome->winId(); }))
        << "the welcome sheet is below the window or without the keyboard";
    const auto* onboarding = welcome->findChild<OnboardingView*>();
    ASSERT_NE(onboarding, nullptr);
    ASSERT_NO_FATAL_FAILURE(click(onboarding->startButton(), "Get Started"));
    ASSERT_TRUE(waitFor([&] { return sheet() == nullptr; })) << "Get Started did not close the sheet";
    EXPECT_TRUE(OnboardingView::hasCompletedOnboarding());

    // The menu-bar strip opens its panel over the window; Escape closes it.
    MenuBarExtra& item = app().menuBarExtra();
    ASSERT_NE(item.strip(), nullptr) << "Xvfb has no system tray: the item is the strip";
    ASSERT_NO_FATAL_FAILURE(click(item.strip(), "the menu-bar strip"));
    MenuBarPanel* panel = item.panel();
    ASSERT_TRUE(waitFor([&] { return panel->isVisible() && isAbove(panel, window); }))
        << "the click on the strip opened no panel over the window";
    input.tap("Escape");
    ASSERT_TRUE(waitFor([&] { return !panel->isVisible(); })) << "Escape left the panel open";

    // The overlay, opened from its page, floats over the window and moves with a drag.
    ASSERT_NO_FATAL_FAILURE(click(inWindow("sidebar-route-overlay"), "the sidebar's Overlay"));
    ASSERT_NO_FATAL_FAILURE(click(inWindow("overlay-show"), "the overlay page's Open button"));
    OverlayPresenter& overlays = OverlayPresenter::shared();
    ASSERT_TRUE(waitFor([&] {
        const OverlayPanel* shown = overlays.panel();
        return shown != nullptr && shown->isVisible() && shown->pos() == overlays.restingPosition() &&
               isAbove(shown, window);
    })) << "the overlay did not come to rest over the window";
    OverlayPanel* overlay = overlays.panel();
    const QPoint from = overlay->pos();
    const QPoint grip = centreOf(overlay);
    const QPoint shift(-240, 90);
    input.moveTo(grip.x(), grip.y());
    ASSERT_TRUE(waitFor([&] { return input.windowUnderPointer() == overlay->winId(); }));
    input.press();
    for (int step = 1; step <= 6; ++step) {
        const QPoint at = grip + shift * step / 6;
        input.moveTo(at.x(), at.y());
        ASSERT_TRUE(waitFor([&] { return overlay->pos() == from + shift * step / 6; }))
            << "the overlay did not follow the pointer to step " << step << ": it is at " << overlay->pos().x()
            << ", " << overlay->pos().y();
    }
    input.release();
    EXPECT_TRUE(waitFor([&] { return overlays.restingPosition() == from + shift; }))
        << "the dropped overlay does not rest where it was dropped";

    // Install in the window registers the helper; the guide floats over the window.
    ASSERT_NO_FATAL_FAILURE(click(inWindow("sidebar-route-dashboard"), "the sidebar's Status"));
    ASSERT_TRUE(waitFor([&] { return model().helperStatus() == HelperStatus::notInstalled(); }))
        << model().helperStatus().title().toStdString();
    const ChargeLimitStatusRow* row = nullptr;
    ASSERT_TRUE(waitFor([&] {
        row = window->findChild<ChargeLimitStatusRow*>();
        return row != nullptr && row->isVisible();
    })) << "the status page shows no charge-limit row";
    ASSERT_NO_FATAL_FAILURE(click(row->actionButton(), "Install"));
    ASSERT_TRUE(waitFor([&] { return isRegistered(); })) << "Install registered no helper";
    BackgroundPermissionGuidePresenter& guide = BackgroundPermissionGuidePresenter::shared();
    ASSERT_TRUE(waitFor([&] {
        const QWidget* shown = guide.panel();
        return shown != nullptr && shown->isVisible() && isAbove(shown, window);
    })) << "the approval guide did not float over the window: "
        << (guide.panel() == nullptr          ? "there is none"
            : !guide.panel()->isVisible()     ? "it is hidden"
                                              : "it is below the window");

    // The user's approval; the guide goes.
    ASSERT_EQ(simmac->simmacctl({"approve", std::string(IPC::machServiceName)}).exitCode, 0);
    ASSERT_TRUE(waitFor([&] { return model().helperStatus() == HelperStatus::enabled(); }, 30000))
        << model().helperStatus().title().toStdString();
    EXPECT_TRUE(waitFor([&] { return guide.panel() == nullptr; })) << "the guide stayed after the approval";

    // The 60 % preset: the daemon takes it and holds the battery there.
    ASSERT_TRUE(waitFor([&] { return !model().helperStatus().isBusy() && !model().isLimitUpdating(); }));
    ASSERT_NO_FATAL_FAILURE(click(inWindow("preset-60"), "the 60 % preset"));
    ASSERT_TRUE(waitFor([&] { return !model().isLimitUpdating() && model().policy().chargeLimit == 60; }))
        << "the limit is " << model().policy().chargeLimit;
    EXPECT_EQ(model().chargeLimitError(), std::nullopt);
    ASSERT_TRUE(waitFor([&] {
        const Json now = battery();
        return !now["charging"].get<bool>() && !now["adapter"]["enabled"].get<bool>();
    })) << "the daemon does not hold the battery at 80 % over a 60 % limit: " << battery().dump();
}

}  // namespace
}  // namespace velkora
