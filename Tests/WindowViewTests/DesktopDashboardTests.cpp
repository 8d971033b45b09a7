#include "WindowFixture.h"

#include "Window/DesktopDashboardView.h"
#include "Window/DesktopPowerChart.h"
#include "Window/EnergyApplicationList.h"

#include "VisualKit/VelkoraLabel.h"

#include <QFile>
#include <QLineSeries>
#include <QValueAxis>

#include <fstream>

namespace velkora::test {

namespace {

const QString emDash = QString(QChar(0x2014));

}  // namespace

// The page reads only the telemetry store, which a laptop's poll leaves
// alone, so the test feeds the readings itself.
class DesktopDashboardTest : public WindowFixture {
protected:
    void record(double watts, std::chrono::seconds ago = std::chrono::seconds(0))
    {
        const AppClock::Date at = clock->date() - ago;
        model->telemetry().recordDesktopPower(DesktopPowerSample{at, watts}, at);
        settle();
    }

    // A top that only counts its runs.
    void installCountingTop()
    {
        const auto top = simmac.root() / "usr/bin/top";
        std::ofstream(top) << "#!/bin/sh\necho run >> \"$SIMMAC_ROOT/top-runs\"\n";
        std::filesystem::permissions(top, std::filesystem::perms::owner_all);
    }

    int topRuns()
    {
        QFile runs(QString::fromStdString((simmac.root() / "top-runs").string()));
        return runs.open(QIODevice::ReadOnly) ? static_cast<int>(runs.readAll().count('\n')) : 0;
    }
};

TEST_F(DesktopDashboardTest, TheChartWaitsForASampleThenDrawsOneAndThenFiveMinutes)
{
    createModelWithoutHelper();
    auto* page = show(new DesktopDashboardView(environment()));
    EXPECT_TRUE(page->chartPlaceholder()->isVisible());
    EXPECT_FALSE(page->chart()->isVisible());
    EXPECT_EQ(page->powerFigure()->text(), emDash);

    record(12.34);
    EXPECT_FALSE(page->chartPlaceholder()->isVisible());
    ASSERT_TRUE(page->chart()->isVisible());
    EXPECT_EQ(page->chart()->series()->count(), 1);
    EXPECT_EQ(page->chart()->powerAxis()->max(), 25.0);
    clock->advance(std::chrono::seconds(1));
    settle();
    EXPECT_EQ(page->powerFigure()->text(), QStringLiteral("12.3 W"));

    // Five minutes of readings peaking at 40 W, the newest just now.
    for (int second = 299; second >= 0; --second) {
        record(second == 150 ? 40.0 : 20.0 + second % 7, std::chrono::seconds(second));
    }
    EXPECT_EQ(page->chart()->series()->count(), TelemetryStore::maximumHistorySamples);
    EXPECT_DOUBLE_EQ(page->chart()->powerAxis()->max(), 48.0);
    EXPECT_EQ(page->powerFigure()->text(), QStringLiteral("12.3 W")) << "the timeline has not ticked yet";
    clock->advance(std::chrono::seconds(1));
    settle();
    EXPECT_EQ(page->powerFigure()->text(), QStringLiteral("20.0 W"));

    // The readings stop: the figure gives up after five seconds, the chart keeps its samples.
    for (int second = 0; second < 5; ++second) {
        clock->advance(std::chrono::seconds(1));
        settle();
    }
    EXPECT_EQ(page->powerFigure()->text(), emDash);
    EXPECT_EQ(page->chart()->series()->count(), TelemetryStore::maximumHistorySamples);
}

TEST_F(DesktopDashboardTest, TheApplicationsRefreshOnScreenEveryThirtySecondsAndNeverAfterThePageLeaves)
{
    installCountingTop();
    createModelWithoutHelper();
    ASSERT_TRUE(waitFor([&] { return topRuns() == 1; })) << "the model's start-up sampling";
    auto* page = show(new DesktopDashboardView(environment()));
    ASSERT_TRUE(waitFor([&] { return topRuns() == 2 && clock->hasSleeperStartedNow(std::chrono::seconds(30)); }));
    EXPECT_NE(page->applications()->findChild<QWidget*>(QStringLiteral("energy-applications-empty")), nullptr);

    clock->advance(std::chrono::seconds(29));
    settle();
    EXPECT_EQ(topRuns(), 2);
    clock->advance(std::chrono::seconds(1));
    ASSERT_TRUE(waitFor([&] { return topRuns() == 3 && clock->hasSleeperStartedNow(std::chrono::seconds(30)); }));

    // Leaving in the middle of the wait ends the loop at once.
    clock->advance(std::chrono::seconds(10));
    page->hide();
    settle();
    clock->advance(std::chrono::seconds(120));
    settle();
    QTest::qWait(300);
    EXPECT_EQ(topRuns(), 3);

    // Back on screen: at once again.
    page->show();
    EXPECT_TRUE(waitFor([&] { return topRuns() == 4; }));
    click(page, QStringLiteral("energy-refresh"));
    EXPECT_TRUE(waitFor([&] { return topRuns() == 5; }));
}

TEST(DesktopPowerChartBounds, TheAxisTopsAtTwentyFiveOrAFifthAboveThePeak)
{
    const auto samples = [](std::initializer_list<double> watts) {
        QList<DesktopPowerSample> list;
        int second = 0;
        for (const double value : watts) {
            list.append(DesktopPowerSample{AppClock::Date() + std::chrono::seconds(++second), value});
        }
        return list;
    };
    EXPECT_EQ(DesktopPowerChart::upperBound({}), 25.0);
    EXPECT_EQ(DesktopPowerChart::upperBound(samples({3, 10, 7})), 25.0);
    EXPECT_DOUBLE_EQ(DesktopPowerChart::upperBound(samples({12, 40, 39})), 48.0);
    EXPECT_DOUBLE_EQ(DesktopPowerChart::upperBound(samples({12, std::numeric_limits<double>::infinity(), 40})), 48.0);
}

}  // namespace velkora::test
