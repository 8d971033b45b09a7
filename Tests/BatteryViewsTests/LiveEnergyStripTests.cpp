#include "../VisualKitTests/KitEnvironment.h"
#include "../VisualKitTests/ManualAnimationDriver.h"

#include "Battery/EnergyMeter.h"
#include "Battery/LiveEnergyChart.h"
#include "Battery/LiveEnergyStrip.h"

#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <gtest/gtest.h>

#include <QAbstractAnimation>
#include <QAccessible>
#include <QCoreApplication>
#include <QTest>
#include <QVBoxLayout>

#include <limits>

namespace velkora {
namespace {

TEST(LiveEnergyStrip, AllMetersShareOneScaleOfAtLeastThirtyWatts)
{
    PowerSnapshot snapshot;
    EXPECT_EQ(LiveEnergyStrip::fullScale(snapshot), 30.0);
    snapshot.adapter.ratedWatts = 96;
    EXPECT_EQ(LiveEnergyStrip::fullScale(snapshot), 96.0);

    EXPECT_DOUBLE_EQ(EnergyMeter::barFraction(45, 96), 45.0 / 96);
    EXPECT_EQ(EnergyMeter::barFraction(140, 96), 1.0);
    EXPECT_EQ(EnergyMeter::barFraction(0, 96), 0.03);
    EXPECT_EQ(EnergyMeter::barFraction(-1.5, 30), 0.03);
    EXPECT_EQ(EnergyMeter::barFraction(std::numeric_limits<double>::quiet_NaN(), 30), 0.03);

    EXPECT_EQ(LiveEnergyStrip::batteryFlowTitle(0), "流入电池");
    EXPECT_EQ(LiveEnergyStrip::batteryFlowTitle(-12.5), "电池输出");
    EXPECT_EQ(LiveEnergyStrip::batteryFlowTitle(std::numeric_limits<double>::quiet_NaN()), "电池输出");
}

TEST(LiveEnergyStrip, AMeterReadsItsWattsAndMovesAtOnceWhenMotionIsReduced)
{
    KitEnvironment kit;
    EnergyMeter meter(kit.environment(), "powerplug.fill", VelkoraTheme::aqua());
    meter.setReading("适配器输入", 12.34, 30);
    EXPECT_EQ(meter.valueLabel()->text(), "12.3 W");
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(&meter);
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->text(QAccessible::Name), "适配器输入");
    EXPECT_EQ(reading->text(QAccessible::Value), L("12.3 watts", "12.3 瓦"));
    EXPECT_TRUE(reading->text(QAccessible::Description).isEmpty());
    EXPECT_EQ(reading->childCount(), 0) << "its symbol and labels are not read apart";
    EXPECT_DOUBLE_EQ(meter.displayedFraction(), 12.34 / 30) << "the first reading stands at once";

    meter.setReading("系统负载", -1.5, 30);
    EXPECT_EQ(meter.valueLabel()->text(), "-1.5 W");
    EXPECT_EQ(reading->text(QAccessible::Name), "系统负载");
    EXPECT_EQ(reading->text(QAccessible::Value), L("-1.5 watts", "-1.5 瓦"));
    EXPECT_GT(meter.displayedFraction(), 0.03) << "on its way to the stub";

    kit.reduceMotion.setReduceMotion(true);
    meter.setReading("系统负载", 30, 30);
    EXPECT_EQ(meter.displayedFraction(), 1.0);
}

// What the meter's fill stood at in each paint of its bar.
class BarPaints : public QObject {
public:
    explicit BarPaints(const EnergyMeter& meter) : meter_(meter) { meter.bar()->installEventFilter(this); }

    QList<qreal> fractions;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            fractions.append(meter_.displayedFraction());
        }
        return false;
    }

private:
    const EnergyMeter& meter_;
};

TEST(LiveEnergyStrip, AMeterPaintsOnlyTheFramesThatMoveItsBarAndNoneForAMoveTooSmallToSee)
{
    KitEnvironment kit;
    QWidget window;
    auto* meter = new EnergyMeter(kit.environment(), "laptopcomputer", VelkoraTheme::lavender());
    (new QVBoxLayout(&window))->addWidget(meter);
    window.show();
    meter->setReading("系统负载", 15, 70);
    QTest::qWait(20);
    ASSERT_EQ(meter->bar()->width(), EnergyMeter::meterWidth);
    BarPaints paints(*meter);
    // A new reading and 300 ms in frames of 16, each given the few real
    // milliseconds the window takes to paint what changed.
    const auto read = [&](double watts) {
        ManualAnimationDriver driver;
        paints.fractions.clear();
        meter->setReading("系统负载", watts, 70);
        for (int elapsed = 0; elapsed < 300; elapsed += 16) {
            driver.advanceBy(16);
            QTest::qWait(10);
        }
        EXPECT_EQ(meter->displayedFraction(), EnergyMeter::barFraction(watts, 70));
    };

    // 0.05 W of 70 moves the fill's end by 0.08 of a pixel.
    meter->setReading("系统负载", 15.05, 70);
    EXPECT_EQ(meter->displayedFraction(), EnergyMeter::barFraction(15.05, 70)) << "at once";
    for (const QAbstractAnimation* animation : meter->findChildren<QAbstractAnimation*>()) {
        EXPECT_NE(animation->state(), QAbstractAnimation::Running);
    }

    // 0.75 W moves it by 1.2 pixels: a few quarter-pixel steps, not a frame every 16 ms.
    read(15.8);
    ASSERT_FALSE(paints.fractions.isEmpty());
    EXPECT_LE(paints.fractions.size(), 6);
    EXPECT_EQ(paints.fractions.back(), EnergyMeter::barFraction(15.8, 70)) << "the end of the way is drawn";

    // A long way is drawn frame by frame.
    read(60);
    EXPECT_GE(paints.fractions.size(), 5);
    EXPECT_EQ(paints.fractions.back(), EnergyMeter::barFraction(60, 70));
}

TEST(LiveEnergyStrip, TheChartPlotsTheNewestFiftyPointsAndKeepsItsHeightWhenEmpty)
{
    LiveEnergyChart chart;
    EXPECT_TRUE(chart.plotted().isEmpty());
    EXPECT_EQ(chart.height(), 70);
    EXPECT_EQ(chart.minimumWidth(), 155);

    QList<HistoryPoint> points;
    const auto start = std::chrono::system_clock::now();
    for (int index = 0; index < 60; ++index) {
        points.append(HistoryPoint{start + std::chrono::seconds(3 * index), 50, 30, double(index), 4000});
    }
    chart.setPoints(points);
    ASSERT_EQ(chart.plotted().size(), 50);
    EXPECT_EQ(chart.plotted().front().y(), 10.0) << "the oldest ten are left out";
    EXPECT_EQ(chart.plotted().back().y(), 59.0);
    EXPECT_LT(chart.plotted().front().x(), chart.plotted().back().x());

    chart.setPoints(points.mid(0, 7));
    EXPECT_EQ(chart.plotted().size(), 7);
    chart.setPoints({});
    EXPECT_TRUE(chart.plotted().isEmpty());
    EXPECT_EQ(chart.height(), 70);
}

}  // namespace
}  // namespace velkora
