// The battery dashboard as the user sees it: the main window at its default
// size with the dashboard on screen, on a simulated laptop whose helper is a
// scripted daemon; the model stands still (a manual clock) while the
// benchmark hands the telemetry store its readings.

#include "DaemonClientTests/FakeDaemonPeer.h"

#include "BenchmarkSupport/BenchmarkMain.h"
#include "Battery/BatteryOrbit.h"
#include "Battery/BatteryOrbitRing.h"
#include "Battery/DashboardView.h"
#include "Window/RootView.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "ServiceManagement/SMAppService.h"
#include "Services/ManualAppClock.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/DaemonProtocolVersion.h"
#include "VelkoraCore/IPC.h"
#include "VelkoraCore/VelkoraDaemonProtocol.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QTimer>

#include <cmath>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

class EnabledHelper final : public platform::SMAppService {
public:
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return Status::enabled; }
};

PowerSnapshot reading(int second)
{
    PowerSnapshot snapshot;
    BatterySnapshot& battery = snapshot.battery;
    battery.timestamp = std::chrono::system_clock::now();
    // A level that changes every second, so the ring turns every second.
    battery.percentage = 60 + second % 2;
    battery.adapterConnected = true;
    battery.isCharging = true;
    battery.timeRemainingMinutes = 52;
    battery.temperatureCelsius = 31.4;
    battery.voltageVolts = 12.6;
    battery.currentAmps = 2.3;
    battery.powerWatts = 29.2 + std::sin(second) * 3;
    battery.systemLoadWatts = 11.6 + std::cos(second);
    battery.designCapacityMAh = 4990;
    battery.maxCapacityMAh = 4688;
    battery.currentCapacityMAh = 2900;
    battery.macOSCapacityMAh = 4610;
    battery.cycleCount = 214;
    battery.condition = "Normal";
    snapshot.adapter = AdapterSnapshot{true, 20.1, 2.1, 42.2 + std::sin(second), 96};
    snapshot.state = ChargingState::charging;
    snapshot.stateReason = "正在充电至 80%";
    return snapshot;
}

void answer(const test::DaemonRequest& request)
{
    if (request.selector == VelkoraDaemonProtocol::healthSelector) {
        request.answer(IPC::encode(DaemonHealth::make(DaemonProtocolVersion::current, "unknown", "unknown",
                                                      std::string(IPC::machServiceName),
                                                      std::string(IPC::parentBundleIdentifier), true)),
                       std::nullopt);
    } else if (request.selector == VelkoraDaemonProtocol::fetchPolicySelector) {
        ChargePolicy policy;
        policy.managementEnabled = true;
        request.answer(IPC::encode(policy), std::nullopt);
    } else if (request.selector == VelkoraDaemonProtocol::fetchCapabilitiesSelector) {
        request.answer(IPC::encode(DeviceCapabilities{true, true, true, true, false}), std::nullopt);
    } else {
        request.answer(IPC::encode(reading(0)), std::nullopt);
    }
}

// Runs the event loop, asleep between events, for `duration`.
void processEventsFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// The main window's content with the dashboard, on screen at 1180 x 760.
struct Window {
    testsupport::SimmacProcess simmac;
    test::FakeDaemonPeer peer{[](test::DaemonRequest request) { answer(request); }};
    std::shared_ptr<ManualAppClock> clock = ManualAppClock::create();
    std::shared_ptr<AppModel> model;
    AppRouter router;
    ReduceMotionSource reduceMotion;
    std::unique_ptr<RootView> root;

    Window()
    {
        AppModel::Services services;
        services.clock = clock;
        services.daemon = DaemonClient::create(clock->timeoutScheduler(), std::make_shared<EnabledHelper>());
        services.mainApp = std::make_shared<EnabledHelper>();
        services.installation = HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
        services.openLoginItems = [] {};
        model = AppModel::create(std::move(services));
        QElapsedTimer elapsed;
        elapsed.start();
        while (!(clock->hasSleeperStartedNow(1s) && model->helperStatus() == HelperStatus::enabled())) {
            if (elapsed.elapsed() > 10000) {
                throw std::runtime_error("the helper did not become healthy");
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        model->telemetry().setSnapshot(reading(0));
        ViewEnvironment environment;
        environment.model = model.get();
        environment.settings = &model->settings();
        environment.telemetry = &model->telemetry();
        environment.router = &router;
        environment.reduceMotion = &reduceMotion;
        root = std::make_unique<RootView>(environment);
        root->resize(1180, 760);
        root->show();
        processEventsFor(500ms);
    }

    ~Window()
    {
        root.reset();
        std::weak_ptr<AppModel> weak = model;
        model.reset();
        while (!weak.expired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    DashboardView* dashboard() const { return qobject_cast<DashboardView*>(root->page()); }
};

Window* window = nullptr;

void DashboardDrawAt1180x760(benchmark::State& state)
{
    if (!window->dashboard()) {
        state.SkipWithError("the window does not show the dashboard");
        return;
    }
    QImage image(window->root->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        window->root->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(DashboardDrawAt1180x760)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Each iteration is one second of the live dashboard: a new reading (the
// level moves, so the orbit turns and the meters move), one live history
// point every third second, and the event loop painting what changed.
void OneSecondOfLiveUpdates(benchmark::State& state)
{
    int second = 0;
    for (auto _ : state) {
        ++second;
        window->model->telemetry().setSnapshot(reading(second));
        window->model->history().append(reading(second).battery);
        processEventsFor(1000ms);
    }
    if (window->dashboard()->orbit()->ring()->percentage() != 60 + second % 2) {
        state.SkipWithError("the orbit did not follow the readings");
    }
}
BENCHMARK(OneSecondOfLiveUpdates)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    VelkoraTheme::apply(AppAppearance::dark);
    int status = 1;
    try {
        Window shown;
        window = &shown;
        status = velkora::bench::runBenchmarks(argc, argv);
        window = nullptr;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "BatteryViewsBench: %s\n", error.what());
    }
    return status;
}
