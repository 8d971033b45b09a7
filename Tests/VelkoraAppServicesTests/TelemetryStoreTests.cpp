#include "Services/DesktopPowerMonitor.h"
#include "Services/TelemetryStore.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
const std::optional<double> absent;

struct PlausibilityCase {
    const char* name;
    std::optional<double> pdtr;
    std::optional<double> voltage;
    std::optional<double> current;
    std::optional<double> expected;
};

const TelemetryStore::Date start = std::chrono::system_clock::time_point(1'700'000'000s);

DesktopPowerSample sampleAt(TelemetryStore::Date at, double watts)
{
    return DesktopPowerSample{at, watts};
}

}  // namespace

TEST(DesktopPowerReading, TakesThePowerKeyWhenPlausibleElseVoltageTimesCurrent)
{
    const PlausibilityCase cases[] = {
        {"plausible power", 38.6, 12.0, 3.0, 38.6},
        {"power just above the lower bound", 0.1000001, absent, absent, 0.1000001},
        {"power just below the upper bound", 999.99, absent, absent, 999.99},
        {"tiny power falls back to the product", 0.05, 20.0, 1.5, 30.0},
        {"power at the lower bound is rejected", 0.1, absent, absent, absent},
        {"power at the upper bound is rejected", 1000.0, absent, absent, absent},
        {"upper bound falls back", 1000.0, 20.0, 2.0, 40.0},
        {"infinite power", infinity, absent, absent, absent},
        {"power that is not a number falls back", notANumber, 12.0, 1.0, 12.0},
        {"negative power", -5.0, absent, absent, absent},
        {"missing power", absent, 19.5, 2.0, 39.0},
        {"zero voltage", absent, 0.0, 2.0, absent},
        {"negative current", absent, 20.0, -1.5, absent},
        {"negative voltage and current", absent, -20.0, -1.5, absent},
        {"current missing", absent, 20.0, absent, absent},
        {"voltage missing", absent, absent, 1.5, absent},
        {"infinite voltage", absent, infinity, 1.5, absent},
        {"product at the upper bound", absent, 20.0, 50.0, absent},
        {"product at or below the lower bound", absent, 0.1, 1.0, absent},
        {"nothing at all", absent, absent, absent, absent},
    };
    for (const PlausibilityCase& c : cases) {
        const std::optional<double> watts = DesktopPowerReading::watts(c.pdtr, c.voltage, c.current);
        ASSERT_EQ(watts.has_value(), c.expected.has_value()) << c.name;
        if (watts) {
            EXPECT_DOUBLE_EQ(*watts, *c.expected) << c.name;
        }
    }
}

TEST(TelemetryStore, StartsWithTheNoBatterySnapshotAndNoDesktopReadings)
{
    const TelemetryStore store;
    EXPECT_EQ(store.snapshot(), PowerSnapshot::noBattery());
    EXPECT_FALSE(store.desktopPower());
    EXPECT_TRUE(store.desktopPowerHistory().isEmpty());
    EXPECT_FALSE(store.liveDesktopWatts(start));
}

TEST(TelemetryStore, LiveWattsOnlyWhileTheReadingIsZeroToFiveSecondsOld)
{
    TelemetryStore store;
    store.recordDesktopPower(sampleAt(start, 42.5), start);
    const struct {
        std::chrono::milliseconds age;
        bool live;
    } cases[] = {{-1ms, false}, {0ms, true}, {2500ms, true}, {5000ms, true}, {5001ms, false}, {60s, false}};
    for (const auto& c : cases) {
        const std::optional<double> watts = store.liveDesktopWatts(start + c.age);
        EXPECT_EQ(watts.has_value(), c.live) << c.age.count() << " ms";
        if (watts) {
            EXPECT_EQ(*watts, 42.5);
        }
    }
}

TEST(TelemetryStore, AFailedReadingClearsTheLatestButKeepsTheHistoryUntilItExpires)
{
    TelemetryStore store;
    store.recordDesktopPower(sampleAt(start, 30), start);
    store.recordDesktopPower(sampleAt(start + 1s, 31), start + 1s);
    store.recordDesktopPower(std::nullopt, start + 2s);
    EXPECT_FALSE(store.desktopPower());
    EXPECT_FALSE(store.liveDesktopWatts(start + 2s));
    EXPECT_EQ(store.desktopPowerHistory(),
              (QList<DesktopPowerSample>{sampleAt(start, 30), sampleAt(start + 1s, 31)}));

    // Exactly 300 seconds old still stays; older goes.
    store.recordDesktopPower(std::nullopt, start + 300s);
    EXPECT_EQ(store.desktopPowerHistory().size(), 2);
    store.recordDesktopPower(std::nullopt, start + 300s + 1ms);
    EXPECT_EQ(store.desktopPowerHistory(), (QList<DesktopPowerSample>{sampleAt(start + 1s, 31)}));
    store.recordDesktopPower(sampleAt(start + 302s, 33), start + 302s);
    EXPECT_EQ(store.desktopPowerHistory(), (QList<DesktopPowerSample>{sampleAt(start + 302s, 33)}));
}

TEST(TelemetryStore, HistoryHoldsAtMost300SamplesDroppingTheOldest)
{
    TelemetryStore store;
    // Five a second, so that the count and not the age is what limits it.
    const auto tick = 200ms;
    for (int i = 0; i < 300; ++i) {
        store.recordDesktopPower(sampleAt(start + i * tick, i), start + i * tick);
    }
    ASSERT_EQ(store.desktopPowerHistory().size(), 300);
    store.recordDesktopPower(sampleAt(start + 300 * tick, 300), start + 300 * tick);
    ASSERT_EQ(store.desktopPowerHistory().size(), 300);
    EXPECT_EQ(store.desktopPowerHistory().front().watts, 1);
    EXPECT_EQ(store.desktopPowerHistory().back().watts, 300);
    EXPECT_EQ(store.desktopPower(), sampleAt(start + 300 * tick, 300));
}

TEST(TelemetryStore, AnnouncesEveryChangeBeforeMakingIt)
{
    TelemetryStore store;
    std::vector<std::string> events;
    QObject::connect(&store, &TelemetryStore::objectWillChange, [&] {
        events.push_back("will change: " + std::to_string(store.desktopPowerHistory().size()) +
                         (store.desktopPower() ? " latest" : " none"));
    });
    QObject::connect(&store, &TelemetryStore::desktopPowerChanged, [&] { events.push_back("latest"); });
    QObject::connect(&store, &TelemetryStore::desktopPowerHistoryChanged, [&] { events.push_back("history"); });
    QSignalSpy snapshotChanges(&store, &TelemetryStore::snapshotChanged);

    store.recordDesktopPower(sampleAt(start, 20), start);
    EXPECT_EQ(events, (std::vector<std::string>{"will change: 0 none", "latest", "will change: 0 latest",
                                                "history"}));

    // Nothing leaves the history and nothing joins it: only the latest changes.
    events.clear();
    store.recordDesktopPower(std::nullopt, start + 1s);
    EXPECT_EQ(events, (std::vector<std::string>{"will change: 1 latest", "latest"}));

    PowerSnapshot charging = PowerSnapshot::noBattery();
    charging.state = ChargingState::charging;
    store.setSnapshot(charging);
    EXPECT_EQ(snapshotChanges.count(), 1);
    EXPECT_EQ(store.snapshot(), charging);
}
