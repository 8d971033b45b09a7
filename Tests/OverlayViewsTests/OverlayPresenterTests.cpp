#include "OverlayFixture.h"

#include "Overlay/OverlayWidgetView.h"

#include "UserDefaults/UserDefaults.h"

namespace velkora::test {
namespace {

class OverlayPresenterTest : public OverlayFixture {
protected:
    void SetUp() override
    {
        OverlayFixture::SetUp();
        createSettledModel();
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
    EXPECT_EQ(QRect(resting, panel->size()).center(), screenArea().center()) << "within a point of it";
    EXPECT_EQ(panel->pos(), resting + QPoint(0, OverlayPresenter::slideDistance));
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);

    animations.advanceBy(OverlayPresenter::animationMilliseconds / 3);
    EXPECT_GT(panel->windowOpacity(), 0.0);
    EXPECT_LT(panel->pos().y(), resting.y() + OverlayPresenter::slideDistance);

    finishAnimations();
    EXPECT_EQ(panel->pos(), resting);
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
    EXPECT_EQ(panel->pos(), presenter().restingPosition());
    EXPECT_FALSE(presenter().isHiding());
}

TEST_F(OverlayPresenterTest, AShowDuringAHideBringsThePanelBackAndTheOldCompletionDoesNothing)
{
    OverlayPanel* panel = showSettled();
    const QPoint resting = panel->pos();
    presenter().hide(true);
    EXPECT_TRUE(presenter().isHiding());
    animations.advanceBy(OverlayPresenter::animationMilliseconds / 2);
    EXPECT_GT(panel->pos().y(), resting.y());
    EXPECT_LT(panel->windowOpacity(), 1.0);

    presenter().show(*model);
    EXPECT_FALSE(presenter().isHiding());
    finishAnimations();
    ASSERT_EQ(presenter().panel(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), resting);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(OverlayPresenterTest, AHundredInterruptedShowsAndHidesLeaveThePanelWhereTheUserPutIt)
{
    OverlayPanel* panel = showSettled();
    drag(panel, QPoint(-120, 90));
    const QPoint placed = panel->pos();
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
    EXPECT_EQ(panel->pos(), placed);
    EXPECT_EQ(presenter().restingPosition(), placed);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(OverlayPresenterTest, ASecondShowLeavesThePanelWhereTheUserDraggedIt)
{
    OverlayPanel* panel = showSettled();
    drag(panel, QPoint(70, -50));
    const QPoint placed = panel->pos();
    presenter().show(*model);
    finishAnimations();
    EXPECT_EQ(presenter().panel(), panel);
    EXPECT_EQ(panel->pos(), placed);
    EXPECT_EQ(panels().size(), 1);
}

TEST_F(OverlayPresenterTest, ADraggedPlaceLastsWhileThePanelExistsAndIsForgottenWhenAHideCompletes)
{
    OverlayPanel* panel = showSettled();
    const QPoint centred = panel->pos();
    drag(panel, QPoint(-150, 110));
    const QPoint placed = centred + QPoint(-150, 110);
    EXPECT_EQ(panel->pos(), placed);

    // A hide that a show interrupts keeps the panel, and its place.
    presenter().hide(true);
    animations.advanceBy(OverlayPresenter::animationMilliseconds / 2);
    presenter().show(*model);
    finishAnimations();
    ASSERT_EQ(presenter().panel(), panel);
    EXPECT_EQ(panel->pos(), placed);

    presenter().hide(true);
    finishAnimations();
    EXPECT_EQ(presenter().panel(), nullptr);
    EXPECT_TRUE(panels().isEmpty());
    OverlayPanel* again = showSettled();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->pos(), centred);
    EXPECT_EQ(presenter().restingPosition(), centred);

    // Nor does the next run of the application remember it.
    presenter().hide(false);
    destroyModel();
    createSettledModel();
    EXPECT_EQ(showSettled()->pos(), centred);
}

TEST_F(OverlayPresenterTest, APositionStoredByAnEarlierVersionIsIgnored)
{
    platform::UserDefaults::standard().set(QStringLiteral("overlayPosition"), QStringLiteral("{12, -40}"));
    destroyModel();
    createSettledModel();
    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(QRect(panel->pos(), panel->size()).center(), screenArea().center());
}

TEST_F(OverlayPresenterTest, WithReducedMotionAShowIsInPlaceAtOnceAndAHideClosesAtOnce)
{
    reduceMotion.setReduceMotion(true);
    presenter().show(*model);
    OverlayPanel* panel = presenter().panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->pos(), presenter().restingPosition());
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
    const QPoint centred = panel->pos();
    presenter().hide(true);
    finishAnimations();
    ASSERT_EQ(presenter().panel(), nullptr);
    OverlayPanel* again = showSettled();
    EXPECT_EQ(again->pos(), centred);
}

TEST_F(OverlayPresenterTest, APressWhileThePanelLeavesDoesNotHoldIt)
{
    OverlayPanel* panel = showSettled();
    presenter().hide(true);
    animations.advanceBy(30);
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(10, 10));
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
