// The application entry: one main window, reopened rather than duplicated,
// styled for the user's appearance and kept out of the task bar without a
// Dock icon; the menu-bar item drawn from the model and opening its panel.

#include "AppFixture.h"

#include "App/MainWindow.h"
#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/StatusItemLabel.h"
#include "MenuBar/StatusStrip.h"
#include "Overlay/OverlayPanel.h"
#include "Overlay/OverlayPresenter.h"
#include "Window/RootView.h"

#include "AppKit/NSApplication.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>
#include <QSignalSpy>

namespace velkora::test {

namespace {

// The visible top-level windows titled "Tallowmere".
int openMainWindows()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        count += widget->isVisible() && widget->windowTitle() == QStringLiteral("Tallowmere");
    }
    return count;
}

}  // namespace

class VelkoraAppTest : public AppFixture {};

class DesktopVelkoraAppTest : public AppFixture {
protected:
    DesktopVelkoraAppTest() : AppFixture("desktop") {}
};

TEST_F(VelkoraAppTest, TheMainWindowIsTallowmereAtItsDefaultSizeAndIsNeverDuplicated)
{
    createApp();
    ASSERT_EQ(app->mainWindow(), nullptr);
    app->openMainWindow();
    settle();
    QPointer<MainWindow> window = app->mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tallowmere"));
    EXPECT_EQ(window->objectName(), QStringLiteral("main"));
    EXPECT_EQ(window->size(), QSize(1180, 760));
    EXPECT_GE(window->minimumSizeHint().width(), 1120);
    EXPECT_GE(window->minimumSizeHint().height(), 650);
    ASSERT_NE(window->rootView(), nullptr);
    EXPECT_TRUE(window->rootView()->isVisible());

    // Opening again, also from a view, raises the same window.
    app->openMainWindow();
    app->environment().openMainWindow();
    settle();
    EXPECT_EQ(app->mainWindow(), window);
    EXPECT_EQ(openMainWindows(), 1);

    // Closed, it goes; opened again, it comes back once, anew.
    window->close();
    ASSERT_TRUE(waitFor([&] { return window.isNull(); }));
    EXPECT_EQ(app->mainWindow(), nullptr);
    EXPECT_EQ(openMainWindows(), 0);
    app->environment().openMainWindow();
    settle();
    ASSERT_NE(app->mainWindow(), nullptr);
    EXPECT_TRUE(app->mainWindow()->isVisible());
    EXPECT_EQ(app->mainWindow()->size(), QSize(1180, 760));
    EXPECT_EQ(openMainWindows(), 1);
}

TEST_F(VelkoraAppTest, TheAppearanceSettingStylesTheOpenWindowAtOnce)
{
    createApp();
    model->settings().setAppearance(AppAppearance::system);
    app->openMainWindow();
    settle();
    MainWindow* window = app->mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(app->preferredColorScheme().has_value());
    EXPECT_FALSE(window->appearance().has_value());
    EXPECT_EQ(window->backgroundColor(), VelkoraTheme::windowBackground(VelkoraTheme::resolve(AppAppearance::system)));
    EXPECT_TRUE(window->isMovableByBackground());

    model->settings().setAppearance(AppAppearance::dark);
    EXPECT_EQ(app->preferredColorScheme(), ColorAppearance::dark);
    EXPECT_EQ(window->appearance(), ColorAppearance::dark);
    EXPECT_EQ(window->backgroundColor(), QColor::fromRgbF(0.065f, 0.082f, 0.078f));

    model->settings().setAppearance(AppAppearance::light);
    EXPECT_EQ(app->preferredColorScheme(), ColorAppearance::light);
    EXPECT_EQ(window->appearance(), ColorAppearance::light);
    EXPECT_EQ(window->backgroundColor(), VelkoraTheme::windowBackground(ColorAppearance::light));
    EXPECT_EQ(VelkoraTheme::current(), ColorAppearance::light);
}

TEST_F(VelkoraAppTest, AppearanceChangesWithoutAWindowChangeNothingAndFailNothing)
{
    createApp();
    model->settings().setAppearance(AppAppearance::light);
    model->settings().setAppearance(AppAppearance::dark);
    settle();
    EXPECT_EQ(app->mainWindow(), nullptr);
    EXPECT_EQ(openMainWindows(), 0);
}

TEST_F(VelkoraAppTest, WithoutADockIconTheWindowStaysOutOfTheTaskBarAndComesBackWithIt)
{
    createApp();
    model->settings().setShowDockIcon(false);
    app->openMainWindow();
    settle();
    MainWindow* window = app->mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(platform::NSApplication::activationPolicy(), platform::NSApplicationActivationPolicy::accessory);
    EXPECT_TRUE(window->isKeptOutOfTaskBar());

    model->settings().setShowDockIcon(true);
    settle();
    EXPECT_EQ(platform::NSApplication::activationPolicy(), platform::NSApplicationActivationPolicy::regular);
    EXPECT_FALSE(window->isKeptOutOfTaskBar());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(1180, 760));
    EXPECT_EQ(openMainWindows(), 1);
}

TEST_F(VelkoraAppTest, TheStripShowsTheModelsLabelRedrawsOnChangesAndOpensThePanel)
{
    createApp();
    MenuBarExtra& item = app->menuBarExtra();
    ASSERT_EQ(item.host(), MenuBarExtra::Host::strip);
    StatusStrip* strip = item.strip();
    ASSERT_NE(strip, nullptr);
    EXPECT_TRUE(strip->isVisible());
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    const StatusItemLabel label(model->telemetry(), model->settings(), model->batteryAvailability());
    EXPECT_EQ(label.text(), QString::number(model->snapshot().battery.percentage) + QLatin1Char('%'));
    EXPECT_EQ(strip->label(), item.label());
    const int withPercentage = strip->width();

    QSignalSpy redrawn(&item, &MenuBarExtra::labelRedrawn);
    // A reading of the daemon still under way may land meanwhile and be drawn
    // on its own.
    QSignalSpy readings(app->environment().telemetry, &TelemetryStore::snapshotChanged);
    model->settings().setShowPercentage(false);
    model->settings().setMenuBarIconStyle(MenuBarIconStyle::classic);
    ASSERT_TRUE(waitFor([&] { return redrawn.count() > 0; }));
    settle();
    EXPECT_LE(redrawn.count(), 1 + readings.count()) << "changes that come together draw once";
    EXPECT_LT(strip->width(), withPercentage);

    ASSERT_FALSE(item.panel()->isVisible());
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->rect().center());
    settle();
    EXPECT_TRUE(item.panel()->isVisible());
    EXPECT_NE(item.panel()->content(), nullptr);
    EXPECT_GE(item.panel()->y(), strip->y() + strip->height());

    // The popover's way to the main window closes it.
    app->environment().openMainWindow();
    settle();
    EXPECT_FALSE(item.panel()->isVisible());
    ASSERT_NE(app->mainWindow(), nullptr);
    EXPECT_TRUE(app->mainWindow()->isVisible());
}

TEST_F(VelkoraAppTest, EachTimeTheWindowAppearsTheOverlayShowsOnlyIfTheUserTurnedItOn)
{
    createApp();
    model->settings().setOverlayEnabled(false);
    app->openMainWindow();
    settle();
    EXPECT_EQ(OverlayPresenter::shared().panel(), nullptr);

    QPointer<MainWindow> window = app->mainWindow();
    window->close();
    ASSERT_TRUE(waitFor([&] { return window.isNull(); }));
    model->settings().setOverlayEnabled(true);
    app->openMainWindow();
    settle();
    ASSERT_NE(OverlayPresenter::shared().panel(), nullptr);
    EXPECT_TRUE(OverlayPresenter::shared().panel()->isVisible());

    // Turned off, the next appearance leaves alone the overlay that is up,
    // as the overlay page's button leaves it up.
    model->settings().setOverlayEnabled(false);
    QPointer<OverlayPanel> shown = OverlayPresenter::shared().panel();
    app->mainWindow()->hide();
    app->openMainWindow();
    settle();
    EXPECT_EQ(OverlayPresenter::shared().panel(), shown);
    EXPECT_TRUE(shown && shown->isVisible());
    EXPECT_FALSE(OverlayPresenter::shared().isHiding());

    // Switching the Dock icon maps the window again, which shows it anew.
    model->settings().setShowDockIcon(!model->settings().showDockIcon());
    settle();
    EXPECT_EQ(OverlayPresenter::shared().panel(), shown);
    EXPECT_FALSE(OverlayPresenter::shared().isHiding());
}

TEST_F(DesktopVelkoraAppTest, WithoutABatteryTheOverlayStaysHiddenEvenWhenTurnedOn)
{
    createApp();
    ASSERT_FALSE(model->batteryPresent());
    model->settings().setOverlayEnabled(true);
    app->openMainWindow();
    settle();
    EXPECT_EQ(OverlayPresenter::shared().panel(), nullptr);
    EXPECT_TRUE(app->mainWindow()->isVisible());
}

}  // namespace velkora::test
