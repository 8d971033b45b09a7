// One readSnapshot() against simmac: the wall time of a reading (mostly round
// trips to simmac) and the CPU time this process spends on it. Target: at most
// 2 ms wall and 200 µs of the process's own CPU per reading.

#include "HardwareController.h"

#include <SMCKit/SMCKit.h>
#include <TestSupport/SimmacProcess.h>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

void readSnapshot(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    smckit::SMCKit smc;
    velkora::HardwareController controller(smc, [](std::chrono::milliseconds) {});
    if (!controller.capabilities().batteryPresent) {
        state.SkipWithError("the simulated Mac has no battery");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(controller.readSnapshot());
    }
}

}  // namespace

// Wall time decides the iteration count; the CPU column is the whole
// process's, every thread of the IOKit stand-in included.
BENCHMARK(readSnapshot)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
