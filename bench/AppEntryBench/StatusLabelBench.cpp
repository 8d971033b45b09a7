// The menu-bar item's cost per change: a new battery reading that changes
// the label, which the item draws again as the reading lands (images, text,
// the strip resized and painted). Offscreen, at the scale of a high-density
// screen.

#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/StatusStrip.h"

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"
#include "TestSupport/SimmacProcess.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include "BenchmarkSupport/BenchmarkMain.h"
#include "BenchmarkSupport/ModelWithoutHelper.h"

namespace {

using namespace velkora;

void redraw(benchmark::State& state, MenuBarIconStyle style, bool batteryPower)
{
    // A laptop, so that the label shows a battery.
    testsupport::SimmacProcess simmac;
    const std::shared_ptr<AppModel> model = bench::modelWithoutHelper(ManualAppClock::create());
    if (model->batteryAvailability() != BatteryAvailability::present) {
        state.SkipWithError("the simulated laptop shows no battery");
        return;
    }
    AppSettings& settings = model->settings();
    settings.setMenuBarIconStyle(style);
    settings.setShowBatteryPower(batteryPower);
    settings.setShowPercentage(true);
    TelemetryStore& telemetry = model->telemetry();
    ViewEnvironment environment;
    environment.model = model.get();
    environment.settings = &settings;
    environment.telemetry = &telemetry;
    MenuBarExtra item(environment, MenuBarExtra::Host::strip);
    PowerSnapshot snapshot;
    snapshot.state = ChargingState::charging;
    std::int64_t drawn = 0;
    QObject::connect(&item, &MenuBarExtra::labelRedrawn, [&drawn] { ++drawn; });
    int tick = 0;
    for (auto _ : state) {
        snapshot.battery.percentage = 40 + tick % 50;
        snapshot.battery.systemLoadWatts = 8 + (tick % 7) * 0.3;
        ++tick;
        telemetry.setSnapshot(snapshot);
        item.strip()->repaint();
    }
    if (drawn != state.iterations()) {
        state.SkipWithError("a reading that changed the label was not drawn");
    }
}

void LabelRedrawPerChange(benchmark::State& state)
{
    redraw(state, MenuBarIconStyle::dynamic, false);
}
BENCHMARK(LabelRedrawPerChange)->MinTime(2.0);

void PowerBadgeRedrawPerChange(benchmark::State& state)
{
    redraw(state, MenuBarIconStyle::dynamic, true);
}
BENCHMARK(PowerBadgeRedrawPerChange)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    VelkoraTheme::apply(AppAppearance::dark);
    return velkora::bench::runBenchmarks(argc, argv);
}
