#include "ViewFixture.h"

#include "Battery/BatteryOrbit.h"
#include "Battery/BatteryOrbitRing.h"
#include "Battery/ControlDeck.h"
#include "Battery/DashboardView.h"
#include "Battery/EnergyMeter.h"
#include "Battery/LiveEnergyChart.h"
#include "Battery/LiveEnergyStrip.h"
#include "Battery/StatusDetailPanel.h"
#include "Battery/StatusDetailSection.h"

#include "VisualKit/EnergyActionButton.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"

#include <QAbstractAnimation>
#include <QScrollBar>
#include <QTest>

namespace velkora::test {
namespace {

class DashboardViewTest : public ViewFixture {
protected:
    DashboardView* showDashboard()
    {
        createSettledModel();
        dashboard = show(new DashboardView(environment()), QSize(910, 650));
        return dashboard;
    }

    DashboardView* dashboard = nullptr;
};

TEST_F(DashboardViewTest, ThePageScrollsWithItsScrollIndicatorsHidden)
{
    showDashboard();
    window->resize(910, 400);
    settle();
    EXPECT_GT(dashboard->verticalScrollBar()->maximum(), 0) << "taller than the window, so it still scrolls";
    EXPECT_FALSE(dashboard->verticalScrollBar()->isVisible());
    EXPECT_FALSE(dashboard->horizontalScrollBar()->isVisible());
}

TEST_F(DashboardViewTest, EveryPartFollowsTheDaemonsNextSnapshot)
{
    showDashboard();
    EXPECT_EQ(dashboard->orbit()->ring()->percentage(), 50);
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot = chargingSnapshot(64);
        daemonSnapshot.state = ChargingState::discharging;
        daemonSnapshot.battery.adapterConnected = false;
        daemonSnapshot.battery.isCharging = false;
        daemonSnapshot.battery.powerWatts = -9.5;
        daemonSnapshot.battery.voltageVolts = 12.3;
    }
    tick();
    EXPECT_EQ(dashboard->orbit()->ring()->percentage(), 64);
    EXPECT_EQ(dashboard->orbit()->stateLabel()->text(), appLocalizedName(ChargingState::discharging));
    EXPECT_EQ(dashboard->orbit()->valueRow(1)->value().value, "-9.5 W");
    EXPECT_EQ(dashboard->stateBadge()->state(), ChargingState::discharging);
    EXPECT_EQ(dashboard->powerSourceLabel()->text(), localized("正在使用电池"));
    EXPECT_EQ(dashboard->energyStrip()->meter(2)->title(), "电池输出");
    EXPECT_EQ(dashboard->energyStrip()->meter(2)->value(), 9.5);
    EXPECT_EQ(dashboard->statusPanel()->section(0)->section().rows[1].value, "12.3 V");
}

// Counts the paint events of every widget of a view but those left out,
// naming the widgets that painted.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget& view, const QWidget* leftOut)
    {
        for (QWidget* widget : view.findChildren<QWidget*>()) {
            if (widget != leftOut && !leftOut->isAncestorOf(widget)) {
                widget->installEventFilter(this);
            }
        }
    }

    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted.append(QString::fromLatin1(watched->metaObject()->className()) + QLatin1Char(' ') +
                           watched->objectName());
        }
        return false;
    }
};

TEST_F(DashboardViewTest, AReadingThatChangesNothingRepaintsNothingAndStartsNoAnimation)
{
    showDashboard();
    tick();
    // The chart gains a point every third second whatever the reading says.
    const PaintCounter counter(*dashboard, dashboard->energyStrip()->chart());
    tick();
    settle();
    EXPECT_TRUE(counter.painted.isEmpty()) << counter.painted.join(QStringLiteral(", ")).toStdString();
    for (const QAbstractAnimation* animation : dashboard->findChildren<QAbstractAnimation*>()) {
        EXPECT_NE(animation->state(), QAbstractAnimation::Running) << animation->parent()->metaObject()->className();
    }

    // A reading that does change repaints what shows it.
    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.battery.voltageVolts = 12.3;
    }
    tick();
    settle();
    EXPECT_FALSE(counter.painted.isEmpty());
}

TEST_F(DashboardViewTest, TheOrbitMarksTheLimitOnlyWhileChargeManagementIsOn)
{
    showDashboard();
    EXPECT_EQ(dashboard->orbit()->limit(), 80);
    EXPECT_EQ(dashboard->orbit()->valueRow(0)->value().value, "80%");

    {
        std::lock_guard lock(daemonMutex);
        daemonPolicy.managementEnabled = false;
    }
    model->applicationDidBecomeActive();
    ASSERT_TRUE(waitFor([&] { return !model->policy().managementEnabled && !model->helperStatus().isBusy(); }));
    EXPECT_EQ(dashboard->orbit()->limit(), std::nullopt);
    EXPECT_EQ(dashboard->orbit()->ring()->limitFraction(), std::nullopt);
    EXPECT_EQ(dashboard->orbit()->valueRow(0)->value().label, "当前方案");
}

TEST_F(DashboardViewTest, TheDeckShowsASwitchingActionAndTakesNoClickOnIt)
{
    showDashboard();
    ControlDeck* deck = dashboard->deck();
    EXPECT_EQ(deck->topUpButton()->titleLabel()->text(), "临时充满");
    EXPECT_EQ(deck->dischargeButton()->titleLabel()->text(), "主动放电");
    holdCommands();

    QTest::mouseClick(deck->dischargeButton(), Qt::LeftButton);
    ASSERT_TRUE(peer->waitForHeld(1));
    settle();
    EXPECT_EQ(deck->dischargeButton()->titleLabel()->text(), "停止放电");
    EXPECT_EQ(deck->dischargeButton()->subtitleLabel()->text(), "正在切换");
    EXPECT_EQ(deck->dischargeButton()->symbolView()->name(), "ellipsis");
    EXPECT_FALSE(deck->dischargeButton()->isEnabled());
    EXPECT_TRUE(deck->dischargeButton()->isActive());
    EXPECT_TRUE(deck->topUpButton()->isEnabled()) << "the other action is not affected";
    EXPECT_EQ(deck->topUpButton()->subtitleLabel()->text(), "充到 100%");
    QTest::mouseClick(deck->dischargeButton(), Qt::LeftButton);
    EXPECT_FALSE(peer->waitForHeld(2, std::chrono::milliseconds(200)));

    {
        std::lock_guard lock(daemonMutex);
        daemonSnapshot.state = ChargingState::discharging;
    }
    answerHeld();
    ASSERT_TRUE(waitFor([&] { return !model->isDischargeTransitioning(); }));
    EXPECT_TRUE(deck->dischargeButton()->isEnabled());
    EXPECT_EQ(deck->dischargeButton()->subtitleLabel()->text(), "改用电池");
    EXPECT_EQ(deck->dischargeButton()->symbolView()->name(), "arrow.down.to.line.compact");

    setScript({});
    QTest::mouseClick(deck->pauseButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        const auto commands = performedCommands();
        return !commands.empty() &&
               std::holds_alternative<ControlCommand::PauseAtCurrentLevel>(commands.back().payload);
    }));
}

}  // namespace
}  // namespace velkora::test
