#include <VelkoraCore/ChargePolicyEngine.h>
#include <VelkoraCore/IPC.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

using namespace velkora;

namespace {

BatterySnapshot battery()
{
    return BatterySnapshot{
        .timestamp = std::chrono::floor<std::chrono::microseconds>(std::chrono::system_clock::now()),
        .percentage = 77,
        .hardwarePercentage = 76,
        .isCharging = false,
        .isFullyCharged = false,
        .adapterConnected = true,
        .timeRemainingMinutes = 212,
        .temperatureCelsius = 31.25,
        .voltageVolts = 12.596,
        .currentAmps = -1.5,
        .powerWatts = -18.894,
        .systemLoadWatts = 18.894,
        .currentCapacityMAh = 3810,
        .maxCapacityMAh = 4998,
        .designCapacityMAh = 5103,
        .macOSCapacityMAh = 4890,
        .cycleCount = 123,
        .condition = "Normal",
        .serialNumber = "F8Y2471045XK",
        .lowPowerModeEnabled = false,
    };
}

// One context per rule the daemon meets most on a tick: charging towards the
// limit, sailing, at the limit, and a calibration phase.
PolicyContext context(int scenario)
{
    PolicyContext context;
    context.snapshot = battery();
    context.policy.managementEnabled = true;
    switch (scenario) {
    case 0:
        context.snapshot.percentage = 60;
        break;
    case 1:
        context.hasReachedLimit = true;
        break;
    case 2:
        context.snapshot.percentage = 80;
        break;
    default:
        context.calibrationPhase = CalibrationPhase::restoringLimit;
        break;
    }
    return context;
}

void evaluate(benchmark::State& state)
{
    const PolicyContext input = context(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        PolicyDecision decision = ChargePolicyEngine::evaluate(input);
        benchmark::DoNotOptimize(decision);
    }
}
BENCHMARK(evaluate)->ArgName("scenario")->DenseRange(0, 3);

PowerSnapshot snapshot()
{
    return PowerSnapshot{
        .battery = battery(),
        .adapter = AdapterSnapshot{.connected = true, .voltageVolts = 20.1, .currentAmps = 2.9, .inputWatts = 58.3,
                                   .ratedWatts = 96},
        .state = ChargingState::sailing,
        .stateReason = "航海区间 75%–80%",
        .calibrationPhase = CalibrationPhase::inactive,
    };
}

void powerSnapshotRoundTrip(benchmark::State& state)
{
    const PowerSnapshot value = snapshot();
    for (auto _ : state) {
        const std::vector<std::uint8_t> data = IPC::encode(value);
        PowerSnapshot decoded = IPC::decode<PowerSnapshot>(data);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(powerSnapshotRoundTrip);

void powerSnapshotEncode(benchmark::State& state)
{
    const PowerSnapshot value = snapshot();
    for (auto _ : state) {
        std::vector<std::uint8_t> data = IPC::encode(value);
        benchmark::DoNotOptimize(data);
    }
}
BENCHMARK(powerSnapshotEncode);

void powerSnapshotDecode(benchmark::State& state)
{
    const std::vector<std::uint8_t> data = IPC::encode(snapshot());
    for (auto _ : state) {
        PowerSnapshot decoded = IPC::decode<PowerSnapshot>(data);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(powerSnapshotDecode);

}  // namespace
