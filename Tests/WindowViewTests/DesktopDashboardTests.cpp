#include "WindowFixture.h"

#include "Window/DesktopDashboardView.h"
#include "Window/DesktopPowerChart.h"
#include "Window/EnergyApplicationList.h"

#include "VisualKit/VelkoraLabel.h"

#include <QCategoryAxis>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QLineSeries>
#include <QValueAxis>

#include <fstream>

namespace velkora::test {

namespace {

const QString emDash = QString(QChar(0x2014));

// `labels` are all different and all read as `pattern`.
void expectDistinctLabels(const QStringList& labels, const QString& pattern)
{
    const QRegularExpression reading(QStringLiteral("^") + pattern + QStringLiteral("$"));
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size()) << labels.join(' ').toStdString();
    for (const QString& label : labels) {
        EXPECT_TRUE(reading.match(label).hasMatch()) << label.toStdString();
    }
}

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

TEST_F(DesktopDashboardTest, RightAfterStartTheTimeAxisReadsSecondsAndLaterMinutesNeverTheSameTwice)
{
    createModelWithoutHelper();
    auto* page = show(new DesktopDashboardView(environment()));
    QCategoryAxis* axis = page->chart()->timeAxis();

    record(30.0, std::chrono::seconds(25));
    expectDistinctLabels(axis->categoriesLabels(), QStringLiteral(R"(\d\d:\d\d:\d\d)"));
    EXPECT_GE(axis->categoriesLabels().size(), 1) << "one reading still has a time";

    // Twenty-five seconds of readings: several marks, each a different second.
    for (int second = 24; second >= 0; --second) {
        record(30.0, std::chrono::seconds(second));
    }
    const QStringList shortSpan = axis->categoriesLabels();
    EXPECT_GE(shortSpan.size(), 3);
    expectDistinctLabels(shortSpan, QStringLiteral(R"(\d\d:\d\d:\d\d)"));
    for (const QString& label : shortSpan) {
        EXPECT_GE(axis->endValue(label), axis->min());
        EXPECT_LE(axis->endValue(label), axis->max());
    }

    // Five minutes: whole minutes.
    for (int second = 299; second >= 0; --second) {
        record(30.0, std::chrono::seconds(second));
    }
    EXPECT_GE(axis->categoriesLabels().size(), 4);
    expectDistinctLabels(axis->categoriesLabels(), QStringLiteral(R"(\d\d:\d\d)"));
}

TEST(DesktopPowerChartTimeTicks, AnySpanGetsOneToSixRoundMarksInsideItThatReadDifferently)
{
    const qint64 start = QDateTime(QDate(2025, 3, 14), QTime(7, 22, 3, 400)).toMSecsSinceEpoch();
    for (qint64 span = 1000; span <= 3 * 3600 * 1000; span = span * 5 / 4 + 137) {
        const QList<DesktopPowerChart::TimeTick> ticks = DesktopPowerChart::timeTicks(start, start + span);
        ASSERT_GE(ticks.size(), 1) << span;
        ASSERT_LE(ticks.size(), 6) << span;
        QStringList labels;
        for (qsizetype index = 0; index < ticks.size(); ++index) {
            EXPECT_GE(ticks[index].millisecondsSince1970, start);
            EXPECT_LE(ticks[index].millisecondsSince1970, start + span);
            if (index > 0) {
                EXPECT_GT(ticks[index].millisecondsSince1970, ticks[index - 1].millisecondsSince1970);
            }
            labels.append(ticks[index].label);
        }
        const qint64 step = ticks.size() > 1 ? ticks[1].millisecondsSince1970 - ticks[0].millisecondsSince1970 : 0;
        expectDistinctLabels(labels, step != 0 && step < 60 * 1000 ? QStringLiteral(R"(\d\d:\d\d:\d\d)")
                                                                  : QStringLiteral(R"(\d\d:\d\d(:\d\d)?)"));
    }

    // Under a minute: seconds, on round ones.
    const auto labels = [](qint64 from, qint64 to) {
        QStringList read;
        for (const DesktopPowerChart::TimeTick& tick : DesktopPowerChart::timeTicks(from, to)) {
            read.append(tick.label);
        }
        return read;
    };
    EXPECT_EQ(labels(start, start + 40 * 1000), QStringList({"07:22:10", "07:22:20", "07:22:30", "07:22:40"}));
    EXPECT_EQ(labels(start, start + 1000), QStringList({"07:22:04"}));
    // The five minutes the store keeps: whole minutes.
    EXPECT_EQ(labels(start, start + 299 * 1000),
              QStringList({"07:23", "07:24", "07:25", "07:26", "07:27"}));
    EXPECT_TRUE(DesktopPowerChart::timeTicks(start, start - 1).isEmpty());
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
