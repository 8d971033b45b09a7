// The application's once-a-second power work: one desktop power reading (three
// SMC reads on the monitor's queue, awaited from the main thread), recording
// it in the telemetry store with a full five-minute history, and one local
// battery reading (the registry, the power-source information and four SMC
// reads) against simmac.

#include "Services/BatteryMonitor.h"
#include "Services/DesktopPowerMonitor.h"
#include "Services/TelemetryStore.h"

#include "TestSupport/SimmacProcess.h"

#include <QCoreApplication>

#include <BenchmarkSupport/BenchmarkMain.h>
#include <benchmark/benchmark.h>

#include <memory>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

// One simmac for the run: the SMC connection is made once per process.
testsupport::SimmacProcess& simmac()
{
    static testsupport::SimmacProcess running;
    return running;
}

void TelemetryRecordWithFullHistory(benchmark::State& state)
{
    TelemetryStore store;
    auto now = std::chrono::system_clock::now();
    for (qsizetype i = 0; i < TelemetryStore::maximumHistorySamples; ++i) {
        now += 1s;
        store.recordDesktopPower(DesktopPowerSample{now, 20.0}, now);
    }
    for (auto _ : state) {
        now += 1s;
        store.recordDesktopPower(DesktopPowerSample{now, 20.0}, now);
    }
    state.counters["samples"] = static_cast<double>(store.desktopPowerHistory().size());
}
BENCHMARK(TelemetryRecordWithFullHistory)->Unit(benchmark::kMicrosecond);

void DesktopPowerReadAsync(benchmark::State& state)
{
    simmac().simmacctl({"model", "desktop"});
    DesktopPowerMonitor monitor;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QCoro::waitFor(monitor.readAsync()));
    }
}
BENCHMARK(DesktopPowerReadAsync)->Unit(benchmark::kMicrosecond);

void BatteryRead(benchmark::State& state)
{
    simmac().simmacctl({"model", "firmware-limit-laptop"});
    BatteryMonitor monitor;
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor.read());
    }
}
BENCHMARK(BatteryRead)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    return velkora::bench::runBenchmarks(argc, argv);
}
