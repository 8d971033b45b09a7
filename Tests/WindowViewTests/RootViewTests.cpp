#include "WindowFixture.h"

#include "Window/NoBatteryView.h"
#include "Window/RootView.h"
#include "Window/SidebarButton.h"
#include "Window/SidebarView.h"

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
    auto* root = show(new RootView(environment()));
    click(root, routeButton(SidebarRoute::energyUsage));

    ASSERT_EQ(simmac.simmacctl({"battery", "remove"}).exitCode, 0);
    for (int second = 0; second < 12 && model->batteryAvailability() != BatteryAvailability::absent; ++second) {
        tick();
    }
    ASSERT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    EXPECT_EQ(root->selection(), SidebarRoute::energyUsage);
}

}  // namespace velkora::test
