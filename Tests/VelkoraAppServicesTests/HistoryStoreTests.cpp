#include "Services/HistoryStore.h"

#include "Foundation/SimulatedRoot.h"

#include "ProbeDocuments.h"
#include <TestSupport/TemporaryRoot.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

class HistoryStoreTest : public testing::Test {
protected:
    std::filesystem::path file() const
    {
        return platform::SimulatedRoot::homeDirectory() / "Library/Application Support/Velkora/history.json";
    }
    void writeFile(const QByteArray& bytes) const
    {
        root.write(file().lexically_relative(root.path()), bytes.toStdString());
    }
    QList<HistoryPoint> fileContent() const
    {
        return HistoryStore::decode(QByteArray::fromStdString(root.read(file().lexically_relative(root.path()))))
            .value_or(QList<HistoryPoint>{});
    }
    // The files an unusable history was renamed to.
    std::vector<std::filesystem::path> keptAside() const
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(file().parent_path())) {
            if (entry.path().filename().string().starts_with("history.json.unreadable-")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }
    HistoryStore::Clock clock()
    {
        return [this] { return now; };
    }
    static BatterySnapshot reading(ReferenceDate::Date at, double watts, int64_t percentage = 50)
    {
        BatterySnapshot snapshot;
        snapshot.timestamp = at;
        snapshot.percentage = percentage;
        snapshot.temperatureCelsius = 31.5;
        snapshot.powerWatts = watts;
        snapshot.maxCapacityMAh = 4382;
        return snapshot;
    }
    static QList<HistoryPoint> pointsEvery20Seconds(int count, ReferenceDate::Date first)
    {
        QList<HistoryPoint> points;
        for (int i = 0; i < count; ++i) {
            points.append(HistoryPoint{first + i * 20s, double(i % 100), 30, 5, 4000});
        }
        return points;
    }

    TemporaryRoot root;
    ReferenceDate::Date now = probe::at(800'000'000);
};

}  // namespace

TEST_F(HistoryStoreTest, ImplausiblePowerNeverEntersTheHistory)
{
    HistoryStore store(nullptr, clock());
    store.append(reading(now, -350));
    EXPECT_TRUE(store.livePoints().isEmpty());
    EXPECT_TRUE(store.points().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(file()));

    store.append(reading(now, -300.0));  // the first accepted reading enters both series at once
    ASSERT_EQ(store.points().size(), 1);
    EXPECT_EQ(store.points()[0], (HistoryPoint{now, 50, 31.5, 300.0, 4382}));
    now += 20s;
    store.append(reading(now, 300.0));
    ASSERT_EQ(store.points().size(), 2);
    EXPECT_EQ(store.points()[1].power, 300.0);
    EXPECT_EQ(fileContent(), store.points());
}

TEST_F(HistoryStoreTest, ThinsByTheClockOfTheAppendNotByTheReadingsTimeStamp)
{
    HistoryStore store(nullptr, clock());
    store.append(reading(now, 10));
    now += 2900ms;
    store.append(reading(now, 10));
    EXPECT_EQ(store.livePoints().size(), 1);

    std::filesystem::remove(file());
    HistoryStore everySecond(nullptr, clock());
    const ReferenceDate::Date start = now;
    for (int second = 0; second < 60; ++second) {
        now = start + second * 1s;
        // A reading whose own time stamp stands still does not stop the thinning.
        everySecond.append(reading(start, 10, second));
    }
    ASSERT_EQ(everySecond.livePoints().size(), 20);
    EXPECT_EQ(everySecond.livePoints()[1].percentage, 3);
    ASSERT_EQ(everySecond.points().size(), 3);
    EXPECT_EQ(everySecond.points()[1].percentage, 20);
    EXPECT_EQ(everySecond.points()[2].percentage, 40);

    for (int second = 60; second < 400; ++second) {
        now = start + second * 1s;
        everySecond.append(reading(start, 10, second % 100));
    }
    EXPECT_EQ(everySecond.livePoints().size(), HistoryStore::maximumLivePoints);
    EXPECT_EQ(everySecond.livePoints().back().percentage, 399 % 100);
}

TEST_F(HistoryStoreTest, StoredSeriesIsCappedAtTenThousandPoints)
{
    writeFile(HistoryStore::encode(pointsEvery20Seconds(10'000, now - 200'000s)));
    HistoryStore store(nullptr, clock());
    ASSERT_EQ(store.points().size(), 10'000);
    const HistoryPoint second = store.points()[1];
    store.append(reading(now, 12));
    ASSERT_EQ(store.points().size(), 10'000);
    EXPECT_EQ(store.points().front(), second);
    EXPECT_EQ(store.points().back().timestamp, now);
    EXPECT_EQ(fileContent(), store.points());
}

TEST_F(HistoryStoreTest, OldPointsLoadUnchangedAndGoAtTheFirstStoredAppend)
{
    writeFile(HistoryStore::encode(pointsEvery20Seconds(9'000, now - 100 * 86400s)));
    HistoryStore store(nullptr, clock());
    EXPECT_EQ(store.points().size(), 9'000);
    EXPECT_EQ(store.livePoints().size(), 60);
    EXPECT_EQ(store.livePoints().front(), store.points()[9'000 - 60]);

    store.append(reading(now, 8));
    ASSERT_EQ(store.points().size(), 1);
    EXPECT_EQ(fileContent().size(), 1);
    EXPECT_EQ(store.livePoints().size(), 60);  // the live series has no age limit
}

TEST_F(HistoryStoreTest, SeedsTheLiveSeriesFromTheStoredOne)
{
    writeFile(HistoryStore::encode(pointsEvery20Seconds(40, now - 1000s)));
    EXPECT_EQ(HistoryStore(nullptr, clock()).livePoints().size(), 40);
}

TEST_F(HistoryStoreTest, WritesBareArraysOfFiveNumbersAndRejectsAnythingElseWholeKeepingTheFileAside)
{
    HistoryStore store(nullptr, clock());
    now = probe::at(3600.5);
    store.append(reading(now, -7.25, 81));
    const auto text = root.read(file().lexically_relative(root.path()));
    EXPECT_EQ(text, R"([{"timestamp":3600.5,"percentage":81.0,"temperature":31.5,"power":7.25,"capacity":4382.0}])");

    const std::vector<std::string> broken{
        R"([{"timestamp":1,"percentage":1,"temperature":1,"power":1,"capacity":1},{"timestamp":2,"percentage":1,"temperature":1,"power":1}])",
        R"([{"timestamp":"1","percentage":1,"temperature":1,"power":1,"capacity":1}])",
        R"({"points":[]})",
        R"([{"timestamp":1,"percentage":1,"temperature":1,"power":1,"capacity":1})",
        R"([7])",
        "",
    };
    for (const std::string& text : broken) {
        writeFile(QByteArray::fromStdString(text));
        HistoryStore loaded(nullptr, clock());
        EXPECT_TRUE(loaded.points().isEmpty()) << text;
        EXPECT_TRUE(loaded.livePoints().isEmpty()) << text;
        // The next stored point starts a new file; the old one stays as it was.
        now += 60s;
        loaded.append(reading(now, 5));
        EXPECT_EQ(fileContent().size(), 1) << text;
        const std::vector<std::filesystem::path> aside = keptAside();
        ASSERT_EQ(aside.size(), 1u) << text;
        EXPECT_EQ(root.read(aside.front().lexically_relative(root.path())), text);
        std::filesystem::remove(aside.front());
    }
    const auto decoded = HistoryStore::decode(
        R"([{"capacity":2,"power":3,"temperature":4,"percentage":5,"timestamp":6,"other":true}])");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->front(), (HistoryPoint{probe::at(6), 5, 4, 3, 2}));
}
