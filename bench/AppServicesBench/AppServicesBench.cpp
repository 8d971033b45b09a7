// The application's periodic work: a stored history point (rewrites up to
// 10,000 points every 20 seconds), a schedule change (rewrites the tasks and
// 500 history entries), reading one run of top, and the text lookup.

#include "Services/AppLanguage.h"
#include "Services/HighEnergyService.h"
#include "Services/HistoryStore.h"
#include "Services/ScheduleStore.h"

#include "Foundation/SimulatedRoot.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

// Every run gets a simulated root of its own, removed at exit.
struct Root {
    Root()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velkora-bench-XXXXXX").string();
        path = mkdtemp(pattern.data());
        setenv("SIMMAC_ROOT", path.c_str(), 1);
    }
    ~Root() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

const Root& root()
{
    static const Root made;
    return made;
}

void StoredHistoryAppendAtCap(benchmark::State& state)
{
    root();
    auto now = std::chrono::system_clock::now();
    // A full history on disk, written at once: appending 10,000 points one by
    // one would rewrite the file 10,000 times for every run of this function.
    QList<HistoryPoint> full;
    for (int i = 0; i < HistoryStore::maximumStoredPoints; ++i) {
        now += 20s;
        full.append(HistoryPoint{now, 80, 30, 9.5, 4400});
    }
    const auto folder = platform::SimulatedRoot::homeDirectory() / "Library" / "Application Support" / "Velkora";
    std::filesystem::create_directories(folder);
    QFile file(QString::fromStdString((folder / "history.json").string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(HistoryStore::encode(full)) < 0) {
        state.SkipWithError("cannot write the seeded history");
        return;
    }
    file.close();
    HistoryStore store(nullptr, [&now] { return now; });
    if (store.points().size() != HistoryStore::maximumStoredPoints) {
        state.SkipWithError("the seeded history did not load");
        return;
    }
    BatterySnapshot snapshot;
    snapshot.percentage = 80;
    snapshot.powerWatts = -9.5;
    snapshot.maxCapacityMAh = 4400;
    for (auto _ : state) {
        now += 20s;
        snapshot.timestamp = now;
        store.append(snapshot);
    }
    state.counters["points"] = static_cast<double>(store.points().size());
}
BENCHMARK(StoredHistoryAppendAtCap)->Unit(benchmark::kMillisecond);

void ScheduleChangeWithFullHistory(benchmark::State& state)
{
    root();
    ScheduleStore store;
    QList<TaskHistoryEntry> history;
    for (int i = 0; i < 500; ++i) {
        history.append(TaskHistoryEntry{QUuid::createUuid(), QStringLiteral("设置充电限制"),
                                        std::chrono::system_clock::now(), true, QStringLiteral("已将充电上限设为 80%")});
    }
    store.setHistory(history);
    for (int i = 0; i < 20; ++i) {
        store.addDefaultTask();
    }
    for (auto _ : state) {
        QList<ScheduledTask> tasks = store.tasks();
        tasks[0].enabled = !tasks[0].enabled;
        store.setTasks(std::move(tasks));
    }
}
BENCHMARK(ScheduleChangeWithFullHistory)->Unit(benchmark::kMicrosecond);

void ReadTopOutput(benchmark::State& state)
{
    QByteArray output;
    for (int sample = 0; sample < 2; ++sample) {
        output += "Processes: 612 total, 3 running, 609 sleeping, 3010 threads \n2024/11/05 21:14:09\n"
                  "Load Avg: 2.31, 2.05, 1.98 \nCPU usage: 9.81% user, 7.12% sys, 83.6% idle \n\n"
                  "PID    COMMAND          POWER %CPU\n";
        for (int row = 0; row < 20; ++row) {
            // Process ids beyond pid_max: no application lookup finds them.
            output += QByteArray::number(5'000'000 + row) + "   Some Helper      " +
                      QByteArray::number(sample * (20 - row) * 1.5, 'f', 1) + "  2.0\n";
        }
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(HighEnergyService::applications(output, 5));
    }
}
BENCHMARK(ReadTopOutput)->Unit(benchmark::kMicrosecond);

void LocalizedLookup(benchmark::State& state)
{
    const QString key = QStringLiteral("充电控制");
    for (auto _ : state) {
        benchmark::DoNotOptimize(localized(key));
    }
}
BENCHMARK(LocalizedLookup);

}  // namespace
