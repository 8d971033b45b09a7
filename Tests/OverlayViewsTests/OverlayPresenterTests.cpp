#include "OverlayFixture.h"

#include "Overlay/OverlayWidgetView.h"

#include "UserDefaults/UserDefaults.h"

#include <cstdlib>

namespace velkora::test {
namespace {

class OverlayPresenterTest : public OverlayFixture {
protected:
    void SetUp() override
    {
        OverlayFixture::SetUp();
        createSettledModel();
    }

    // Within a point of the screen's centre: an even side has no middle pixel.
    static void expectCentred(const QRect& card)
    {
        const QPoint off = card.center() - screenArea().center();
        EXPECT_LE(std::abs(off.x()), 1) << off.x();
        EXPECT_LE(std::abs(off.y()), 1) << off.y();
    }

    // Shows the overlay and lets it arrive.
    OverlayPanel* showSettled()
    {
        presenter().show(*model);
        finishAnimations();
        return presenter().panel();
    }
};

TEST_F(OverlayPresenterTest, ANewPanelRisesAndFadesInAtTheCentreOfTheScreen)
{
    presenter().show(*model);
    OverlayPanel* panel = presenter().panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    const QPoint resting = presenter().restingPosition();
    expectCentred(QRect(resting, panel->cardGeometry().size()));
    EXPECT_EQ(panel->cardGeometry().topLeft(), resting + QPoint(0, OverlayPresenter::slideDistance));
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);

    animations.advanceBy(OverlayPresenter::animationMilliseconds / 3);
    EXPECT_GT(panel->windowOpacity(), 0.0);
    EXPECT_LT(panel->cardGeometry().topLeft().y(), resting.y() + OverlayPresenter::slideDistance);

    finishAnimations();
    EXPECT_EQ(panel->cardGeometry().topLeft(), resting);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
    EXPECT_FALSE(presenter().isHiding());
}

TEST_F(OverlayPresenterTest, ShowHideShowInQuickSuccessionLeavesOnePanelThatStays)
{
    presenter().show(*model);
    animations.advanceBy(40);
    presenter().hide(true);
    animations.advanceBy(40);
    presenter().show(*model);
    presenter().show(*model);
    finishAnimations();

    ASSERT_EQ(panels().size(), 1);
    OverlayPanel* panel = presenter().panel();
    EXPECT_EQ(panels().front(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
    EXPECT_EQ(panel->cardGeometry().topLeft(), presenter().restingPosition());
    EXPECT_FALSE(presenter().isHiding());
}

TEST_F(OverlayPresenterTest, AShowDuringAHideBringsThePanelBackAndTheOldCompletionDoesNothing)
{
    OverlayPanel* panel = showSettled();
    const QPoint resting = panel->cardGeometry().topLeft();
    presenter().hide(true);
    EXPECT_TRUE(presenter().isHiding());
    animations.advanceBy(OverlayPresenter::animationMilliseconds / 2);
    EXPECT_GT(panel->cardGeometry().topLeft().y(), resting.y());
    EXPECT_LT(panel->windowOpacity(), 1.0);

    presenter().show(*model);
    EXPECT_FALSE(presenter().isHiding());
    finishAnimations();
    ASSERT_EQ(presenter().panel(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->cardGeometry().topLeft(), resting);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(OverlayPresenterTest, AHundredInterruptedShowsAndHidesLeaveThePanelWhereTheUserPutIt)
{
    OverlayPanel* panel = showSettled();
    drag(panel, QPoint(-120, 90));
    const QPoint placed = panel->cardGeometry().topLeft();
    ASSERT_EQ(presenter().restingPosition(), placed);

    // Each step interrupts the one before at a different point of its way.
    for (int cycle = 0; cycle < 100; ++cycle) {
        presenter().hide(true);
        animations.advanceBy(10 + (cycle * 7) % 150);
        presenter().show(*model);
        animations.advanceBy(5 + (cycle * 11) % 150);
        if (cycle % 3 == 0) {
            presenter().hide(true);
            animations.advanceBy(20);
            presenter().hide(true);
            animations.advanceBy(30);
            presenter().show(*model);
            animations.advanceBy(15);
        }
    }
    finishAnimations();

    ASSERT_EQ(presenter().panel(), panel) << "no hide was allowed to finish";
    EXPECT_EQ(panel->cardGeometry().topLeft(), placed);
    EXPECT_EQ(presenter().restingPosition(), placed);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(OverlayPresenterTest, ASecondShowLeavesThePanelWhereTheUserDraggedIt)
{
    OverlayPanel* panel = showSettled();
    drag(panel, QPoint(70, -50));
    const QPoint placed = panel->cardGeometry().topLeft();
    presenter().show(*model);
    finishAnimations();
    EXPECT_EQ(presenter().panel(), panel);
    EXPECT_EQ(panel->cardGeometry().topLeft(), placed);
    EXPECT_EQ(panels().size(), 1);
}

TEST_F(OverlayPresenterTest, ADraggedPlaceLastsWhileThePanelExistsAndIsForgottenWhenAHideCompletes)
{
    OverlayPanel* panel = showSettled();
    const QPoint centred = panel->cardGeometry().topLeft();
    drag(panel, QPoint(-150, 110));
    const QPoint placed = centred + QPoint(-150, 110);
    EXPECT_EQ(panel->cardGeometry().topLeft(), placed);

    // A hide that a show interrupts keeps the panel, and its place.
    presenter().hide(true);
    animations.advanceBy(OverlayPresenter::animationMilliseconds / 2);
    presenter().show(*model);
    finishAnimations();
    ASSERT_EQ(presenter().panel(), panel);
    EXPECT_EQ(panel->cardGeometry().topLeft(), placed);

    presenter().hide(true);
    finishAnimations();
    EXPECT_EQ(presenter().panel(), nullptr);
    EXPECT_TRUE(panels().isEmpty());
    OverlayPanel* again = showSettled();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->cardGeometry().topLeft(), centred);
    EXPECT_EQ(presenter().restingPosition(), centred);

    // Nor does the next run of the application remember it.
    presenter().hide(false);
    destroyModel();
    createSettledModel();
    EXPECT_EQ(showSettled()->cardGeometry().topLeft(), centred);
}

TEST_F(OverlayPresenterTest, APositionStoredByAnEarlierVersionIsIgnored)
{
    platform::UserDefaults::standard().set(QStringLiteral("overlayPosition"), QStringLiteral("{12, -40}"));
    destroyModel();
    createSettledModel();
    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    expectCentred(panel->cardGeometry());
}

TEST_F(OverlayPresenterTest, WithReducedMotionAShowIsInPlaceAtOnceAndAHideClosesAtOnce)
{
    reduceMotion.setReduceMotion(true);
    presenter().show(*model);
    OverlayPanel* panel = presenter().panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->cardGeometry().topLeft(), presenter().restingPosition());
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);

    presenter().hide(true);
    EXPECT_EQ(presenter().panel(), nullptr);
    EXPECT_FALSE(presenter().isHiding());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panels().isEmpty());
}

TEST_F(OverlayPresenterTest, AHideWithoutAPanelChangesNothing)
{
    const std::size_t generation = presenter().animationGeneration();
    presenter().hide(true);
    EXPECT_EQ(presenter().animationGeneration(), generation);
    EXPECT_EQ(presenter().panel(), nullptr);

    showSettled();
    presenter().hide(true);
    finishAnimations();
    const std::size_t afterHide = presenter().animationGeneration();
    presenter().hide(true);
    EXPECT_EQ(presenter().animationGeneration(), afterHide);
}

TEST_F(OverlayPresenterTest, APanelNeverMovedStartsCentredAfterACompletedHide)
{
    OverlayPanel* panel = showSettled();
    const QPoint centred = panel->cardGeometry().topLeft();
    presenter().hide(true);
    finishAnimations();
    ASSERT_EQ(presenter().panel(), nullptr);
    OverlayPanel* again = showSettled();
    EXPECT_EQ(again->cardGeometry().topLeft(), centred);
}

TEST_F(OverlayPresenterTest, APressWhileThePanelLeavesDoesNotHoldIt)
{
    OverlayPanel* panel = showSettled();
    presenter().hide(true);
    animations.advanceBy(30);
    QTest::mousePress(panel, Qt::LeftButton, {}, panel->mapFromGlobal(panel->cardGeometry().center()));
    EXPECT_FALSE(panel->isDragging());
    finishAnimations();
    EXPECT_EQ(presenter().panel(), nullptr);
}

class OverlayWithoutBatteryTest : public OverlayFixture {
protected:
    OverlayWithoutBatteryTest() : OverlayFixture("desktop") {}
};

TEST_F(OverlayWithoutBatteryTest, AShowWithoutABatteryHidesTheOverlayAndBuildsNothing)
{
    capabilities.batteryPresent = false;
    createSettledModel();
    ASSERT_FALSE(model->batteryPresent());
    presenter().show(*model);
    EXPECT_EQ(presenter().panel(), nullptr);
    EXPECT_TRUE(panels().isEmpty());
}

}  // namespace
}  // namespace velkora::test
