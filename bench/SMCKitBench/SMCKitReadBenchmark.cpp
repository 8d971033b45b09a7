// One typed SMCKit read through the IOKit stand-in, answered from the readings
// simmac shares in memory: the cost of every SMC reading the daemon and the
// application make. Run by hand:
//   build/bench/SMCKitBench/SMCKitReadBenchmark
// The "median_us" counter is the median of the single reads.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "SMCKit/SMCKit.h"
#include "TestSupport/SimmacProcess.h"

namespace {

void TypedReadRoundTrip(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    smckit::SMCKit smc;
    smc.read<float>("PDTR");  // the key information is cached from here on

    std::vector<double> samples;
    samples.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(smc.read<float>("PDTR"));
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[samples.size() * 99 / 100];
}

}  // namespace

BENCHMARK(TypedReadRoundTrip)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
