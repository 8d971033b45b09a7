#include "../VisualKitTests/KitEnvironment.h"
#include "../VisualKitTests/ManualAnimationDriver.h"

#include "Battery/BatteryOrbit.h"
#include "Battery/BatteryOrbitRing.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace velkora {
namespace {

class BatteryOrbitTest : public testing::Test {
protected:
    ViewEnvironment environment()
    {
        ViewEnvironment environment = kit.environment();
        environment.telemetry = &telemetry;
        return environment;
    }

    void setBattery(int percentage, ChargingState state = ChargingState::charging)
    {
        PowerSnapshot snapshot;
        snapshot.battery.percentage = percentage;
        snapshot.state = state;
        telemetry.setSnapshot(snapshot);
    }

    KitEnvironment kit;
    TelemetryStore telemetry;
};

// The ring drawn on black, and its colour at `fraction` of the circle
// (clockwise from twelve o'clock) in the middle of the ring's width.
QColor ringColourAt(BatteryOrbitRing& ring, qreal fraction)
{
    QImage image(ring.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    ring.render(&image);
    const qreal radius = (BatteryOrbitRing::side - BatteryOrbitRing::ringWidth) / 2;
    const qreal angle = fraction * 2 * std::numbers::pi;
    const QPointF centre(BatteryOrbitRing::side / 2.0, BatteryOrbitRing::side / 2.0);
    return image.pixelColor((centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle))).toPoint());
}

TEST_F(BatteryOrbitTest, TheLimitMarkRunsClockwiseFromTwelveOverTheLimitsShare)
{
    BatteryOrbitRing ring;
    const QColor level = QColor::fromRgbF(0.1f, 0.2f, 0.9f);
    ring.setLevel(30, level, true);
    ring.setLimit(80);
    EXPECT_EQ(ring.limitFraction(), 0.8);
    EXPECT_EQ(ring.levelFraction(), 0.3);

    const QColor inLevel = ringColourAt(ring, 0.15);
    EXPECT_GT(inLevel.blueF(), 0.8) << "the level ring, in the level colour";
    const QColor underLimit = ringColourAt(ring, 0.6);
    const QColor beyondLimit = ringColourAt(ring, 0.9);
    EXPECT_GT(underLimit.redF(), beyondLimit.redF() + 0.15) << "the warm mark up to 80 %";
    const QColor beforeTwelve = ringColourAt(ring, 0.79);
    EXPECT_GT(beforeTwelve.redF(), beyondLimit.redF() + 0.15);

    ring.setLimit(std::nullopt);
    EXPECT_EQ(ring.limitFraction(), std::nullopt);
    EXPECT_EQ(ringColourAt(ring, 0.6), ringColourAt(ring, 0.9)) << "no mark without a limit";

    ring.setLevel(100, level, true);
    EXPECT_GT(ringColourAt(ring, 0.99).blueF(), 0.8) << "a full battery closes the ring";
}

TEST_F(BatteryOrbitTest, TheRingReadsAsOneElementValuedWithThePercentageFromTheFirstReading)
{
    setBattery(0, ChargingState::onBattery);
    BatteryOrbit orbit(environment());
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(orbit.ring());
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->text(QAccessible::Name), localized("当前电量"));
    EXPECT_EQ(reading->text(QAccessible::Value), L("0 percent", "0 百分比"));
    EXPECT_TRUE(reading->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(reading->childCount(), 0);

    setBattery(75);
    EXPECT_EQ(reading->text(QAccessible::Value), L("75 percent", "75 百分比"));
}

TEST_F(BatteryOrbitTest, TheLevelColourIsTheBandsColourInTheUsersScheme)
{
    BatteryOrbit orbit(environment());
    for (const BatteryStatusColorScheme scheme :
         {BatteryStatusColorScheme::system, BatteryStatusColorScheme::tallowmere, BatteryStatusColorScheme::ocean,
          BatteryStatusColorScheme::accessible}) {
        kit.settings->setBatteryStatusColorScheme(scheme);
        const std::vector<std::pair<int, BatteryLevelBand>> bands = {{20, BatteryLevelBand::critical},
                                                                     {21, BatteryLevelBand::low},
                                                                     {50, BatteryLevelBand::low},
                                                                     {51, BatteryLevelBand::healthy}};
        for (const auto& [percentage, band] : bands) {
            setBattery(percentage);
            EXPECT_EQ(orbit.levelColor(), color(scheme, band)) << percentage;
            EXPECT_EQ(orbit.ring()->levelColor(), color(scheme, band)) << percentage;
        }
    }
    // The state's colour is the tone's: heat protection is red in any scheme.
    setBattery(80, ChargingState::heatProtected);
    EXPECT_EQ(orbit.stateLabel()->palette().color(QPalette::WindowText), VelkoraTheme::systemRed());
    // A scheme change shows at once.
    kit.settings->setBatteryStatusColorScheme(BatteryStatusColorScheme::ocean);
    EXPECT_EQ(orbit.ring()->levelColor(), color(BatteryStatusColorScheme::ocean, BatteryLevelBand::healthy));
}

TEST_F(BatteryOrbitTest, TheValuesBesideTheRingNameThePlanThePowerAndTheTime)
{
    PowerSnapshot snapshot;
    auto values = BatteryOrbit::values(snapshot, std::nullopt);
    EXPECT_EQ(values[0], (OrbitValue{"当前方案", "免费监控", "waveform.path.ecg"}));
    EXPECT_EQ(values[1], (OrbitValue{"电池功率", "0.0 W", "arrow.down.circle.fill"}));
    EXPECT_EQ(values[2], (OrbitValue{"预计续航", "--", "clock"}));

    snapshot.battery.powerWatts = -4.2;
    snapshot.battery.isCharging = true;
    snapshot.battery.timeRemainingMinutes = 135;
    values = BatteryOrbit::values(snapshot, 80);
    EXPECT_EQ(values[0], (OrbitValue{"充电上限", "80%", "flag.checkered"}));
    EXPECT_EQ(values[1], (OrbitValue{"电池功率", "-4.2 W", "arrow.up.circle.fill"}));
    EXPECT_EQ(values[2].label, "预计充满");
    EXPECT_EQ(values[2].value, formatDuration(135));
}

TEST_F(BatteryOrbitTest, ANewLevelTurnsTheRingUnlessMotionIsReduced)
{
    ManualAnimationDriver driver;
    setBattery(40);
    BatteryOrbit orbit(environment());
    EXPECT_EQ(orbit.ring()->levelFraction(), 0.4) << "the first reading stands at once";

    setBattery(60);
    driver.advanceBy(100);
    EXPECT_GT(orbit.ring()->levelFraction(), 0.4);
    EXPECT_LT(orbit.ring()->levelFraction(), 0.6);
    driver.advanceBy(200);
    EXPECT_DOUBLE_EQ(orbit.ring()->levelFraction(), 0.6);

    kit.reduceMotion.setReduceMotion(true);
    setBattery(70);
    EXPECT_DOUBLE_EQ(orbit.ring()->levelFraction(), 0.7);
    EXPECT_EQ(orbit.ring()->figureProgress(), 1.0);
}

}  // namespace
}  // namespace velkora
