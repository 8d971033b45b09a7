#include "KitEnvironment.h"
#include "ManualAnimationDriver.h"

#include "VisualKit/EnergyActionButton.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "TestSupport/SimmacProcess.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

class ReduceMotionTest : public testing::Test {
protected:
    EnergyActionButton* tile()
    {
        auto* button = new EnergyActionButton(kit.environment(), QStringLiteral("Top Up"), QStringLiteral("Once"),
                                              QStringLiteral("battery.100percent.bolt"), VelkoraTheme::energy(),
                                              &window);
        button->resize(240, 52);
        return button;
    }

    ManualAnimationDriver driver;
    KitEnvironment kit;
    QWidget window;
};

}  // namespace

TEST_F(ReduceMotionTest, APressedTileShrinksOnlyWhileMotionIsAllowed)
{
    window.show();
    EnergyActionButton* button = tile();
    button->show();

    QTest::mousePress(button, Qt::LeftButton);
    driver.advanceBy(200);
    EXPECT_DOUBLE_EQ(button->pressStyle()->scale(), VelkoraPressableButtonStyle::defaultPressedScale);
    QTest::mouseRelease(button, Qt::LeftButton);
    driver.advanceBy(200);
    EXPECT_DOUBLE_EQ(button->pressStyle()->scale(), 1.0);

    kit.reduceMotion.setReduceMotion(true);
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(button->pressStyle()->scale(), 1.0);
    driver.advanceBy(200);
    EXPECT_DOUBLE_EQ(button->pressStyle()->scale(), 1.0);
    QTest::mouseRelease(button, Qt::LeftButton);
}

TEST_F(ReduceMotionTest, ABusyTilePulsesUnlessMotionIsReducedAndFollowsTheSettingAtOnce)
{
    EnergyActionButton* button = tile();
    EXPECT_FALSE(button->symbolView()->isPulsing());
    button->setEnabled(false);
    EXPECT_TRUE(button->symbolView()->isPulsing());
    driver.advanceBy(600);
    EXPECT_LT(button->symbolView()->symbolOpacity(), 0.5);

    kit.reduceMotion.setReduceMotion(true);
    EXPECT_FALSE(button->symbolView()->isPulsing());
    EXPECT_DOUBLE_EQ(button->symbolView()->symbolOpacity(), 1.0);
    kit.reduceMotion.setReduceMotion(false);
    EXPECT_TRUE(button->symbolView()->isPulsing());
    button->setEnabled(true);
    EXPECT_FALSE(button->symbolView()->isPulsing());
}

TEST_F(ReduceMotionTest, ATileHighlightsAtOnceUnderReducedMotionAndWithTheQuickCurveOtherwise)
{
    EnergyActionButton* button = tile();
    button->setActive(true);
    driver.advanceBy(70);
    EXPECT_GT(button->activeProgress(), 0.0);
    EXPECT_LT(button->activeProgress(), 1.0);
    driver.advanceBy(100);
    EXPECT_DOUBLE_EQ(button->activeProgress(), 1.0);

    kit.reduceMotion.setReduceMotion(true);
    button->setActive(false);
    EXPECT_DOUBLE_EQ(button->activeProgress(), 0.0);
    // Disabled and active at once still shows the highlight.
    button->setActive(true);
    button->setEnabled(false);
    EXPECT_DOUBLE_EQ(button->activeProgress(), 1.0);
}

TEST_F(ReduceMotionTest, TheBadgeStillFadesUnderReducedMotionButOnlyWhenItsToneChanges)
{
    kit.reduceMotion.setReduceMotion(true);
    StateBadge badge(kit.environment(), ChargingState::charging, 30);
    const QColor low = badge.currentColor();
    EXPECT_EQ(low, QColor::fromRgbF(1.0f, 0.62f, 0.18f));

    badge.setState(ChargingState::charging, 40);
    EXPECT_EQ(badge.currentColor(), low) << "same band: no fade";

    badge.setState(ChargingState::charging, 60);
    driver.advanceBy(70);
    const QColor midway = badge.currentColor();
    EXPECT_NE(midway, low);
    EXPECT_NE(midway, VelkoraTheme::energy());
    driver.advanceBy(80);
    EXPECT_EQ(badge.currentColor(), VelkoraTheme::energy()) << "the 0.14 s fade is over";

    kit.settings->setBatteryStatusColorScheme(BatteryStatusColorScheme::ocean);
    driver.advanceBy(70);
    EXPECT_NE(badge.currentColor(), QColor::fromRgbF(0.22f, 0.78f, 0.74f)) << "a new scheme fades too";
    driver.advanceBy(80);
    EXPECT_EQ(badge.currentColor(), QColor::fromRgbF(0.22f, 0.78f, 0.74f));
}

TEST_F(ReduceMotionTest, ASwitchKnobSlidesWhenClickedAndJumpsUnderReducedMotionOrFromCode)
{
    window.show();
    auto* toggle = new VelkoraSwitch(kit.environment(), &window);
    toggle->show();
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle->isChecked());
    driver.advanceBy(50);
    EXPECT_LT(toggle->knobPosition(), 1.0);
    driver.advanceBy(200);
    EXPECT_DOUBLE_EQ(toggle->knobPosition(), 1.0);

    toggle->setChecked(false);
    EXPECT_DOUBLE_EQ(toggle->knobPosition(), 0.0);

    kit.reduceMotion.setReduceMotion(true);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(toggle->knobPosition(), 1.0);
}

TEST(ReduceMotionSource, FollowsTheSimulatedMacsAccessibilitySettingAsItChanges)
{
    testsupport::SimmacProcess simmac;
    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "on"}).exitCode, 0);
    const std::unique_ptr<ReduceMotionSource> source = ReduceMotionSource::followingWorkspace();
    EXPECT_TRUE(source->reduceMotion());

    QSignalSpy changes(source.get(), &ReduceMotionSource::reduceMotionChanged);
    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "off"}).exitCode, 0);
    ASSERT_TRUE(changes.wait(5000));
    EXPECT_FALSE(source->reduceMotion());
    EXPECT_EQ(changes.takeFirst().at(0).toBool(), false);

    // Without simmac the setting reads as off and nothing breaks.
    ASSERT_EQ(simmac.simmacctl({"reduce-motion", "on"}).exitCode, 0);
    ASSERT_TRUE(changes.wait(5000));
    simmac.stop();
    ASSERT_TRUE(changes.wait(5000));
    EXPECT_FALSE(source->reduceMotion());
}
