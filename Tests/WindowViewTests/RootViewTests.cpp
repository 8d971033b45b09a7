#include "WindowFixture.h"

#include "Window/ErrorBanner.h"
#include "Window/NoBatteryView.h"
#include "Window/OnboardingView.h"
#include "Window/RootView.h"
#include "Window/SidebarButton.h"
#include "Window/SidebarView.h"

#include "VisualKit/AppSheetPresenter.h"

#include "Services/AppLanguage.h"

#include <QAccessible>
#include <QLabel>
#include <QDialog>

namespace velkora::test {

namespace {

QString routeButton(SidebarRoute route)
{
    return QStringLiteral("sidebar-route-") + QString::fromLatin1(rawValue(route));
}

}  // namespace

class LaptopRootViewTest : public WindowFixture {};

class DesktopRootViewTest : public WindowFixture {
protected:
    DesktopRootViewTest() : WindowFixture("desktop") {}
};

TEST_F(LaptopRootViewTest, EveryOneOfTheNineRoutesIsReachableFromTheSidebarAndShowsAPage)
{
    createSettledModel();
    ASSERT_TRUE(model->batteryPresent());
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    EXPECT_EQ(root->selection(), SidebarRoute::dashboard);
    EXPECT_TRUE(root->sidebar()->button(SidebarRoute::dashboard)->isSelected());

    for (const SidebarRoute route : allSidebarRoutes) {
        click(root, routeButton(route));
        EXPECT_EQ(root->selection(), route);
        ASSERT_NE(root->page(), nullptr);
        EXPECT_TRUE(root->page()->isVisible());
        EXPECT_EQ(root->page()->findChild<NoBatteryView*>(), nullptr);
        for (const SidebarRoute other : allSidebarRoutes) {
            EXPECT_EQ(root->sidebar()->button(other)->isSelected(), other == route);
        }
    }
}

TEST_F(DesktopRootViewTest, TheBatteryOnlyRoutesAreNotOfferedAndShowThePlaceholderWhenSelected)
{
    createSettledModel();
    ASSERT_FALSE(model->batteryPresent());
    auto* root = show(new RootView(environment()));
    SidebarView* sidebar = root->sidebar();
    // Until the absence is certain every route shows the detecting placeholder.
    for (int second = 0; second < 12 && model->batteryAvailability() == BatteryAvailability::detecting; ++second) {
        EXPECT_EQ(root->page()->objectName(), QStringLiteral("detecting"));
        root->setSelection(second % 2 ? SidebarRoute::energyUsage : SidebarRoute::dashboard);
        EXPECT_EQ(root->page()->objectName(), QStringLiteral("detecting"));
        tick();
    }
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);

    EXPECT_EQ(sidebar->visibleBatteryRoutes(), (QList<SidebarRoute>{SidebarRoute::dashboard, SidebarRoute::energyUsage}));
    EXPECT_EQ(sidebar->visibleToolRoutes(), QList<SidebarRoute>{SidebarRoute::menuBar});
    for (const SidebarRoute route : allSidebarRoutes) {
        EXPECT_EQ(sidebar->button(route)->isVisible(), !requiresBattery(route)) << rawValue(route);
    }
    EXPECT_TRUE(sidebar->quitButton()->isVisible());

    click(root, routeButton(SidebarRoute::energyUsage));
    EXPECT_EQ(root->selection(), SidebarRoute::energyUsage);
    EXPECT_EQ(qobject_cast<NoBatteryView*>(root->page()), nullptr);

    // A battery-only route reached some other way (a stale selection).
    root->setSelection(SidebarRoute::schedules);
    auto* placeholder = qobject_cast<NoBatteryView*>(root->page());
    ASSERT_NE(placeholder, nullptr);
    const auto* detail = placeholder->findChild<QLabel*>(QStringLiteral("no-battery-detail"));
    ASSERT_NE(detail, nullptr);
    EXPECT_GE(detail->height(), detail->heightForWidth(detail->width())) << "the wrapped sentence shows whole";
    for (const SidebarRoute route : allSidebarRoutes) {
        EXPECT_FALSE(sidebar->button(route)->isVisible() && sidebar->button(route)->isSelected())
            << "a route not offered highlights nothing";
    }
    click(root, QStringLiteral("no-battery-open-dashboard"));
    EXPECT_EQ(root->selection(), SidebarRoute::dashboard);
    EXPECT_EQ(qobject_cast<NoBatteryView*>(root->page()), nullptr);
}

TEST_F(LaptopRootViewTest, RemovingTheBatteryMovesABatteryOnlySelectionBackToTheDashboard)
{
    createModelWithoutHelper();
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::present);
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    click(root, routeButton(SidebarRoute::chargeControl));
    ASSERT_EQ(root->selection(), SidebarRoute::chargeControl);

    ASSERT_EQ(simmac.simmacctl({"battery", "remove"}).exitCode, 0);
    for (int second = 0; second < 12 && model->batteryAvailability() != BatteryAvailability::absent; ++second) {
        tick();
    }
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_EQ(root->selection(), SidebarRoute::dashboard);
    EXPECT_TRUE(root->sidebar()->button(SidebarRoute::dashboard)->isSelected());
    EXPECT_FALSE(root->sidebar()->button(SidebarRoute::chargeControl)->isVisible());
}

TEST_F(LaptopRootViewTest, RemovingTheBatteryKeepsARouteThatNeedsNone)
{
    createModelWithoutHelper();
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    click(root, routeButton(SidebarRoute::energyUsage));

    ASSERT_EQ(simmac.simmacctl({"battery", "remove"}).exitCode, 0);
    for (int second = 0; second < 12 && model->batteryAvailability() != BatteryAvailability::absent; ++second) {
        tick();
    }
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_EQ(root->selection(), SidebarRoute::energyUsage);
}

TEST_F(LaptopRootViewTest, TheSidebarsIdentityReadsAsOneElementWithoutItsIconAndFollowsTheBattery)
{
    createModelWithoutHelper();
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    auto* identity = root->sidebar()->findChild<QWidget*>(QStringLiteral("sidebar-identity"));
    ASSERT_NE(identity, nullptr);
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(identity);
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->childCount(), 0) << "neither the icon nor the two texts are read apart";
    EXPECT_EQ(reading->text(QAccessible::Name),
              L("Tallowmere, Smart Battery Care", "Tallowmere, 智能电池管理"));
    QAccessibleInterface* sidebar = QAccessible::queryAccessibleInterface(root->sidebar());
    EXPECT_GE(sidebar->indexOfChild(reading), 0) << "the block itself is offered";

    ASSERT_EQ(simmac.simmacctl({"battery", "remove"}).exitCode, 0);
    for (int second = 0; second < 12 && model->batteryAvailability() != BatteryAvailability::absent; ++second) {
        tick();
    }
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_EQ(reading->text(QAccessible::Name), L("Tallowmere, Energy Monitoring", "Tallowmere, 能源监测"));
}

TEST_F(LaptopRootViewTest, TheApprovalBannerWinsOverAnErrorWhichShowsOnceApprovalIsGranted)
{
    registration->currentStatus = platform::SMAppService::Status::requiresApproval;
    createSettledModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    model->setLastError(QStringLiteral("The limit could not be set."));
    settle();
    EXPECT_EQ(root->bannerState(), RootBannerState::approval());
    ASSERT_NE(root->banner(), nullptr);
    EXPECT_EQ(root->banner()->objectName(), QStringLiteral("approval-banner"));
    EXPECT_EQ(root->findChildren<ErrorBanner*>().size(), 0);

    registration->currentStatus = platform::SMAppService::Status::enabled;
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return model->helperStatus() == HelperStatus::enabled(); }));
    // A healthy helper replaces the model's error; a later failure shows.
    model->setLastError(QStringLiteral("The limit could not be set."));
    EXPECT_EQ(root->bannerState(), RootBannerState::error(QStringLiteral("The limit could not be set.")));
    auto* banner = qobject_cast<ErrorBanner*>(root->banner());
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->shownMessage(), QStringLiteral("The limit could not be set."));
    EXPECT_TRUE(waitFor([&] { return root->findChild<QWidget*>(QStringLiteral("approval-banner")) == nullptr; }))
        << "the approval banner leaves once it has faded";
}

TEST_F(LaptopRootViewTest, ClosingTheErrorBannerClearsTheErrorAndTheSameErrorShowsItAgain)
{
    createSettledModel();
    OnboardingView::setHasCompletedOnboarding(true);
    auto* root = show(new RootView(environment()));
    EXPECT_EQ(root->banner(), nullptr);
    model->setLastError(QString());
    EXPECT_EQ(root->bannerState(), RootBannerState::none()) << "an empty error is no error";
    EXPECT_EQ(root->banner(), nullptr);

    model->setLastError(QStringLiteral("<b>Helper</b> refused"));
    auto* banner = qobject_cast<ErrorBanner*>(root->banner());
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->shownMessage(), QStringLiteral("<b>Helper</b> refused")) << "shown as plain text";
    click(root, QStringLiteral("error-banner-close"));
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(root->bannerState(), RootBannerState::none());
    EXPECT_EQ(root->banner(), nullptr);
    EXPECT_TRUE(waitFor([&] { return root->findChildren<ErrorBanner*>().isEmpty(); }));

    model->setLastError(QStringLiteral("<b>Helper</b> refused"));
    ASSERT_NE(qobject_cast<ErrorBanner*>(root->banner()), nullptr);

    // A long message keeps to two lines and says that it goes on.
    model->setLastError(QString(QStringLiteral("The background service refused the change. ")).repeated(12));
    banner = qobject_cast<ErrorBanner*>(root->banner());
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->shownMessage().count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(banner->shownMessage().endsWith(QChar(0x2026)));
    EXPECT_LE(banner->width(), ErrorBanner::maximumMessageWidth + 200);
}

TEST_F(LaptopRootViewTest, TheWelcomeSheetShowsOnceAcrossRestartsAndAgainAfterItsFlagIsCleared)
{
    createSettledModel();
    ASSERT_FALSE(OnboardingView::hasCompletedOnboarding());
    auto* first = show(new RootView(environment()));
    ASSERT_EQ(router.presentedSheet(), AppSheetDestination::onboarding);
    QDialog* sheet = first->sheets()->sheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitFor([&] { return sheet->isVisible(); }));
    // Return anywhere in the sheet is its start button.
    QTest::keyClick(sheet->findChild<OnboardingView*>(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(OnboardingView::hasCompletedOnboarding());
    EXPECT_EQ(router.presentedSheet(), std::nullopt);
    EXPECT_EQ(first->sheets()->sheet(), nullptr);

    // The application started again: a new root view on the same defaults.
    auto* second = show(new RootView(environment()));
    EXPECT_EQ(router.presentedSheet(), std::nullopt);
    EXPECT_EQ(second->sheets()->sheet(), nullptr);

    // The general page asks to see the welcome again.
    OnboardingView::setHasCompletedOnboarding(false);
    auto* third = show(new RootView(environment()));
    ASSERT_EQ(router.presentedSheet(), AppSheetDestination::onboarding);
    sheet = third->sheets()->sheet();
    ASSERT_NE(sheet, nullptr);
    // Closed without its button: offered again the next time, never recorded.
    sheet->reject();
    settle();
    EXPECT_EQ(router.presentedSheet(), std::nullopt);
    EXPECT_FALSE(OnboardingView::hasCompletedOnboarding());
    show(new RootView(environment()));
    EXPECT_EQ(router.presentedSheet(), AppSheetDestination::onboarding);
}

TEST_F(DesktopRootViewTest, TheWelcomeSheetIsNeverOfferedWithoutABattery)
{
    createSettledModel();
    show(new RootView(environment()));
    EXPECT_EQ(router.presentedSheet(), std::nullopt);
    EXPECT_FALSE(OnboardingView::hasCompletedOnboarding());
}

}  // namespace velkora::test
