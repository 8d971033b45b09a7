// The IOKit stand-in's reads against a running simmac: one registry property
// (about twenty per battery reading), one power-source snapshot, and one raw
// SMC key read (the user client's struct method, below SMCKit). Run by hand:
//   build/bench/IOKitBench/IOKitReadBenchmark
// "median_us" is the median of the single calls.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <vector>

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "TestSupport/SimmacProcess.h"

namespace {

template <typename Call>
void measure(benchmark::State& state, Call&& call)
{
    std::vector<double> samples;
    samples.reserve(1 << 20);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        call();
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[samples.size() * 99 / 100];
}

void RegistryPropertyRead(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    const io_service_t battery =
        IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
    measure(state, [&] {
        benchmark::DoNotOptimize(IORegistryEntryCreateCFProperty(battery, "CurrentCapacity", kCFAllocatorDefault, 0));
    });
    IOObjectRelease(battery);
}

void RegistryAllPropertiesRead(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    const io_service_t battery =
        IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
    measure(state, [&] {
        CFTypeRef properties;
        benchmark::DoNotOptimize(IORegistryEntryCreateCFProperties(battery, &properties, kCFAllocatorDefault, 0));
    });
    IOObjectRelease(battery);
}

void PowerSourceDescriptionRead(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    measure(state, [] {
        const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
        const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
        benchmark::DoNotOptimize(IOPSGetPowerSourceDescription(blob, list->get<CFPropertyValue::Array>()->front()));
    });
}

void SMCKeyRead(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    const io_service_t smc = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    io_connect_t connection = IO_OBJECT_NULL;
    IOServiceOpen(smc, mach_task_self(), 0, &connection);
    IOObjectRelease(smc);
    // Read "B0AV" (2 bytes): key at offset 0, size at 28, command 5 at 42.
    std::array<std::uint8_t, 80> input{};
    const std::uint32_t key = 0x42304156;
    const std::uint32_t size = 2;
    std::memcpy(input.data(), &key, 4);
    std::memcpy(input.data() + 28, &size, 4);
    input[42] = 5;
    std::array<std::uint8_t, 80> output{};
    measure(state, [&] {
        std::size_t outputSize = output.size();
        benchmark::DoNotOptimize(
            IOConnectCallStructMethod(connection, 2, input.data(), input.size(), output.data(), &outputSize));
    });
    IOServiceClose(connection);
}

}  // namespace

BENCHMARK(RegistryPropertyRead)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(RegistryAllPropertiesRead)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(PowerSourceDescriptionRead)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(SMCKeyRead)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
