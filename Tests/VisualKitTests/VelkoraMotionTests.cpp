#include "ManualAnimationDriver.h"

#include "VisualKit/VelkoraMotion.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

using namespace velkora;

namespace {

// The cubic Bézier from (0, 0) to (1, 1) with control points (x1, y1) and
// (x2, y2), read as a timing curve: the y at which the curve's x is `x`.
double bezierAt(double x, double x1, double y1, double x2, double y2)
{
    const auto coordinate = [](double t, double first, double second) {
        const double u = 1 - t;
        return 3 * u * u * t * first + 3 * u * t * t * second + t * t * t;
    };
    // x(t) rises monotonically for control x in [0, 1]: bisect.
    double low = 0;
    double high = 1;
    for (int step = 0; step < 60; ++step) {
        const double middle = (low + high) / 2;
        (coordinate(middle, x1, x2) < x ? low : high) = middle;
    }
    return coordinate((low + high) / 2, y1, y2);
}

void expectCurve(const Animation& animation, double x1, double y1, double x2, double y2, int milliseconds)
{
    EXPECT_EQ(animation.duration.count(), milliseconds);
    EXPECT_EQ(animation.curve.type(), QEasingCurve::BezierSpline);
    for (int sample = 0; sample <= 20; ++sample) {
        const double x = sample / 20.0;
        EXPECT_NEAR(animation.curve.valueForProgress(x), bezierAt(x, x1, y1, x2, y2), 2e-3) << "at " << x;
    }
}

}  // namespace

TEST(VelkoraMotion, TheTimingCurvesFollowTheirBezierControlPoints)
{
    expectCurve(VelkoraMotion::quick(), 0.23, 1.0, 0.32, 1.0, 140);
    expectCurve(VelkoraMotion::panel(), 0.23, 1.0, 0.32, 1.0, 200);
    expectCurve(VelkoraMotion::data(), 0.77, 0.0, 0.175, 1.0, 200);
    // The ease-out of reduced motion: fast at first, settling at the end.
    expectCurve(VelkoraMotion::reducedOpacity(), 0.0, 0.0, 0.58, 1.0, 140);
    EXPECT_GT(VelkoraMotion::reducedOpacity().curve.valueForProgress(0.25), 0.25);
}

TEST(VelkoraMotion, ReducedMotionDropsMovementButKeepsFades)
{
    EXPECT_FALSE(VelkoraMotion::feedback(true));
    EXPECT_FALSE(VelkoraMotion::panelChange(true));
    EXPECT_FALSE(VelkoraMotion::dataChange(true));
    EXPECT_EQ(VelkoraMotion::opacityChange(true).duration.count(), 140);
    EXPECT_EQ(VelkoraMotion::opacityChange(true).curve, VelkoraMotion::reducedOpacity().curve);
    EXPECT_FALSE(VelkoraMotion::conditionalTransition(true, Qt::TopEdge).moves);

    EXPECT_EQ(VelkoraMotion::feedback(false)->duration.count(), 140);
    EXPECT_EQ(VelkoraMotion::panelChange(false)->duration.count(), 200);
    EXPECT_EQ(VelkoraMotion::dataChange(false)->curve, VelkoraMotion::data().curve);
    EXPECT_EQ(VelkoraMotion::opacityChange(false).duration.count(), 200);
    const Transition slide = VelkoraMotion::conditionalTransition(false, Qt::BottomEdge);
    EXPECT_TRUE(slide.moves);
    EXPECT_EQ(slide.edge, Qt::BottomEdge);
}

TEST(VelkoraMotion, AnimateSetsAtOnceWithoutAnAnimationAndReplacesARunningOne)
{
    ManualAnimationDriver driver;
    QWidget target;
    target.setProperty("level", 0.0);
    VelkoraMotion::animate(&target, "level", 1.0, std::nullopt);
    EXPECT_DOUBLE_EQ(target.property("level").toDouble(), 1.0);

    VelkoraMotion::animate(&target, "level", 0.0, VelkoraMotion::panel());
    driver.advanceBy(100);
    const double halfway = target.property("level").toDouble();
    EXPECT_GT(halfway, 0.0);
    EXPECT_LT(halfway, 1.0);
    // A new target stops the old animation and starts from where it was.
    VelkoraMotion::animate(&target, "level", 1.0, std::nullopt);
    driver.advanceBy(300);
    EXPECT_DOUBLE_EQ(target.property("level").toDouble(), 1.0);
}

TEST(VelkoraMotion, APresentedViewSlidesInFromItsEdgeUnlessMotionIsReduced)
{
    ManualAnimationDriver driver;
    QWidget window;
    window.resize(400, 300);
    auto* banner = new QWidget(&window);
    banner->setGeometry(50, 12, 300, 40);
    banner->hide();
    window.show();

    VelkoraMotion::present(banner, true, VelkoraMotion::conditionalTransition(false, Qt::TopEdge),
                           VelkoraMotion::panel());
    EXPECT_TRUE(banner->isVisible());
    driver.advanceBy(20);
    EXPECT_LT(banner->y(), 12) << "starts above its place";
    driver.advanceBy(300);
    EXPECT_EQ(banner->pos(), QPoint(50, 12));

    VelkoraMotion::present(banner, false, VelkoraMotion::conditionalTransition(true, Qt::TopEdge),
                           VelkoraMotion::opacityChange(true));
    driver.advanceBy(20);
    EXPECT_EQ(banner->pos(), QPoint(50, 12)) << "only fades";
    EXPECT_TRUE(banner->isVisible());
    driver.advanceBy(200);
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(banner->pos(), QPoint(50, 12));
}

TEST(VelkoraMotion, AnInterruptedPresentationEndsAtTheViewsOwnPlace)
{
    ManualAnimationDriver driver;
    QWidget window;
    window.resize(400, 300);
    auto* banner = new QWidget(&window);
    banner->setGeometry(50, 12, 300, 40);
    banner->hide();
    window.show();
    const Transition slide = VelkoraMotion::conditionalTransition(false, Qt::TopEdge);

    VelkoraMotion::present(banner, true, slide, VelkoraMotion::panel());
    driver.advanceBy(30);
    VelkoraMotion::present(banner, false, slide, VelkoraMotion::panel());
    driver.advanceBy(30);
    VelkoraMotion::present(banner, true, slide, VelkoraMotion::panel());
    driver.advanceBy(400);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->pos(), QPoint(50, 12));

    // Motion reduced half-way through a slide: back in place, fading only.
    VelkoraMotion::present(banner, false, slide, VelkoraMotion::panel());
    driver.advanceBy(30);
    VelkoraMotion::present(banner, true, VelkoraMotion::conditionalTransition(true, Qt::TopEdge),
                           VelkoraMotion::opacityChange(true));
    EXPECT_EQ(banner->pos(), QPoint(50, 12));
    driver.advanceBy(400);
    EXPECT_TRUE(banner->isVisible());
}
