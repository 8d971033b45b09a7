// Opening the menu-bar popover: a click on the strip until the panel with
// the popover has painted on screen, on an X11 display of the program's own
// (Xvfb). The first opening of an item makes the popover; later ones show
// the one already made. A laptop on its adapter, the standard layout.

#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/StatusStrip.h"

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"
#include "TestSupport/SimmacProcess.h"
#include "TestSupport/VirtualDisplay.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>

#include <benchmark/benchmark.h>

#include "BenchmarkSupport/BenchmarkMain.h"
#include "BenchmarkSupport/ModelWithoutHelper.h"

#include <cstdio>

namespace {

using namespace velkora;

// Counts the paints of the widget it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// Processes events until `done` holds; false after five seconds.
template <typename Predicate>
bool waitUntil(Predicate done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > 5000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void open(benchmark::State& state, bool firstOpening)
{
    testsupport::SimmacProcess simmac;
    const std::shared_ptr<AppModel> model = bench::modelWithoutHelper(ManualAppClock::create());
    if (model->batteryAvailability() != BatteryAvailability::present) {
        state.SkipWithError("the simulated laptop shows no battery");
        return;
    }
    ViewEnvironment environment;
    environment.model = model.get();
    environment.settings = &model->settings();
    environment.telemetry = &model->telemetry();
    std::unique_ptr<MenuBarExtra> item;
    for (auto _ : state) {
        if (!item || firstOpening) {
            item = std::make_unique<MenuBarExtra>(environment, MenuBarExtra::Host::strip);
            if (!QTest::qWaitForWindowExposed(item->strip())) {
                state.SkipWithError("the strip never showed");
                return;
            }
        }
        MenuBarPanel* panel = item->panel();
        PaintCounter counter;
        panel->installEventFilter(&counter);
        StatusStrip* strip = item->strip();

        QElapsedTimer elapsed;
        elapsed.start();
        QTest::mouseClick(strip->windowHandle(), Qt::LeftButton, {}, strip->rect().center());
        if (!waitUntil([&] { return panel->isVisible() && counter.paints > 0; })) {
            state.SkipWithError("the popover never painted");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);

        panel->removeEventFilter(&counter);
        panel->hide();
        waitUntil([&] { return !panel->closedJustNow(); });
    }
}

void OpenPopoverFirstTime(benchmark::State& state)
{
    open(state, true);
}
BENCHMARK(OpenPopoverFirstTime)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void OpenPopoverAgain(benchmark::State& state)
{
    open(state, false);
}
BENCHMARK(OpenPopoverAgain)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const VirtualDisplay display;
    if (display.name().empty()) {
        std::fprintf(stderr, "MenuPopoverBench: Xvfb did not start\n");
        return 1;
    }
    QApplication application(argc, argv);
    VelkoraTheme::apply(AppAppearance::dark);
    return velkora::bench::runBenchmarks(argc, argv);
}
