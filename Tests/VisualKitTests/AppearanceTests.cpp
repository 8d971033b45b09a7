#include "KitEnvironment.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/AppSheetPresenter.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace velkora;

TEST(Appearance, OnePaletteSwitchFollowsTheSettingAndTheLabelsFollowIt)
{
    KitEnvironment kit;
    VelkoraLabel secondary(QStringLiteral("Energy"), QFont(), ForegroundStyle::secondary);
    VelkoraTheme::follow(*kit.settings);
    EXPECT_EQ(VelkoraTheme::current(), ColorAppearance::dark);
    EXPECT_EQ(secondary.palette().color(QPalette::WindowText), VelkoraTheme::secondaryLabel(ColorAppearance::dark));

    kit.settings->setAppearance(AppAppearance::light);
    EXPECT_EQ(VelkoraTheme::current(), ColorAppearance::light);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), VelkoraTheme::backgroundColor(AppAppearance::light));
    QApplication::processEvents();
    EXPECT_EQ(secondary.palette().color(QPalette::WindowText), VelkoraTheme::secondaryLabel(ColorAppearance::light));

    kit.settings->setAppearance(AppAppearance::dark);
    QApplication::processEvents();
    EXPECT_EQ(secondary.palette().color(QPalette::WindowText), VelkoraTheme::secondaryLabel(ColorAppearance::dark));
}

TEST(AppRouter, EveryAssignmentIsAnnouncedEvenOneThatChangesNothing)
{
    AppRouter router;
    EXPECT_FALSE(router.presentedSheet());
    QSignalSpy changes(&router, &AppRouter::presentedSheetChanged);
    router.setPresentedSheet(std::nullopt);
    router.setPresentedSheet(AppSheetDestination::onboarding);
    router.setPresentedSheet(AppSheetDestination::onboarding);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(identifier(AppSheetDestination::onboarding), "onboarding");
}

TEST(AppSheetPresenter, SheetsAreWindowModalDialogsThatFollowTheRouterBothWays)
{
    AppRouter router;
    QWidget window;
    window.show();
    int built = 0;
    AppSheetPresenter presenter(router, window, [&built](AppSheetDestination) {
        ++built;
        return new QLabel(QStringLiteral("Welcome"));
    });
    EXPECT_EQ(presenter.sheet(), nullptr);

    router.setPresentedSheet(AppSheetDestination::onboarding);
    QDialog* sheet = presenter.sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->parentWidget(), &window);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(sheet->isVisible());

    router.setPresentedSheet(AppSheetDestination::onboarding);
    EXPECT_EQ(presenter.sheet(), sheet) << "the same sheet stays";
    EXPECT_EQ(built, 1);

    router.setPresentedSheet(std::nullopt);
    EXPECT_EQ(presenter.sheet(), nullptr);

    // A sheet dismissed by itself clears the router.
    router.setPresentedSheet(AppSheetDestination::onboarding);
    ASSERT_NE(presenter.sheet(), nullptr);
    presenter.sheet()->reject();
    EXPECT_FALSE(router.presentedSheet());
    EXPECT_EQ(presenter.sheet(), nullptr);
    EXPECT_EQ(built, 2);
}
