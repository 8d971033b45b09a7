// The menu-bar popover as the user opens it: each layout, the helper
// waiting for approval or outdated, a failed command, the quick actions
// switching and running, on a laptop; the live desktop power and the
// high-energy applications on a desktop.

#include "BatteryScene.h"
#include "Shots.h"

#include "MenuBar/MenuNoBatteryContent.h"
#include "MenuBar/MenuPopoverView.h"

#include "Services/AppLanguage.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace screenshots {

namespace {

using namespace velkora;

// Tall enough for any state; the picture is cut to the popover's height.
constexpr QSize popoverArea(MenuPopoverView::popoverWidth, 900);

ChargePolicy managedPolicy(int limit)
{
    ChargePolicy policy;
    policy.managementEnabled = true;
    policy.chargeLimit = limit;
    return policy;
}

BatteryScene::Setup charging()
{
    BatteryScene::Setup setup;
    setup.snapshot = BatteryScene::laptop(57, ChargingState::charging, "正在充电至 80%");
    setup.policy = managedPolicy(80);
    setup.historySeconds = 3;
    return setup;
}

// The window cut to the popover's height, as its panel would be.
void fitWindow(QWidget* view)
{
    auto* popover = qobject_cast<MenuPopoverView*>(view);
    view->window()->setFixedSize(MenuPopoverView::popoverWidth, popover->heightForWidth(MenuPopoverView::popoverWidth));
}

ScreenshotPage popoverPage(const QString& name, BatteryScene::Setup setup, MenuBarLayout layout = MenuBarLayout::standard)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("menu-popover");
    shot.name = name;
    shot.size = popoverArea;
    shot.make = [setup, layout](const ViewEnvironment&) -> QWidget* {
        auto* owner = new BatteryScene(setup);
        owner->model().settings().setMenuBarLayout(layout);
        return owner->attach(new MenuPopoverView(owner->environment()));
    };
    shot.afterShow = fitWindow;
    return shot;
}

std::vector<std::pair<QString, BatteryScene::Setup>> states()
{
    std::vector<std::pair<QString, BatteryScene::Setup>> all;

    BatteryScene::Setup approval = charging();
    approval.helper = BatteryScene::Helper::awaitingApproval;
    all.emplace_back(QStringLiteral("approval"), approval);

    BatteryScene::Setup outdated = charging();
    outdated.helper = BatteryScene::Helper::outdated;
    all.emplace_back(QStringLiteral("outdated"), outdated);

    BatteryScene::Setup failed = charging();
    failed.lastError = L(QStringLiteral("Forced discharge failed: the background service did not answer in time."),
                         QStringLiteral("主动放电失败：后台服务没有及时响应。"));
    all.emplace_back(QStringLiteral("error"), failed);

    BatteryScene::Setup switching = charging();
    switching.actions = [](AppModel& model) {
        model.forceDischarge();
        model.topUp();
    };
    switching.holdCommands = true;
    all.emplace_back(QStringLiteral("switching"), switching);

    // The model takes a running discharge or top-up from the daemon's state.
    BatteryScene::Setup discharging = charging();
    discharging.snapshot = BatteryScene::laptop(92, ChargingState::discharging, "正在主动放电");
    discharging.snapshot.battery.powerWatts = -17.4;
    discharging.snapshot.adapter.inputWatts = 0;
    all.emplace_back(QStringLiteral("discharging"), discharging);

    BatteryScene::Setup toppingUp = charging();
    toppingUp.snapshot = BatteryScene::laptop(86, ChargingState::topUp, "临时充满至 100%");
    all.emplace_back(QStringLiteral("top-up"), toppingUp);
    return all;
}

// Processes events until the desktop's applications are sampled, or a few
// seconds have gone.
void waitForApplications(QWidget* view)
{
    auto* content = view->findChild<MenuNoBatteryContent*>();
    QElapsedTimer elapsed;
    elapsed.start();
    while (content && content->shownNames().isEmpty() && elapsed.elapsed() < 8000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    fitWindow(view);
}

}  // namespace

void addMenuBarShots(ScreenshotCatalog& catalog)
{
    catalog.add(popoverPage(QStringLiteral("compact"), charging(), MenuBarLayout::compact));
    catalog.add(popoverPage(QStringLiteral("standard"), charging(), MenuBarLayout::standard));
    catalog.add(popoverPage(QStringLiteral("detailed"), charging(), MenuBarLayout::detailed));
    for (const auto& [name, setup] : states()) {
        catalog.add(popoverPage(name, setup));
    }

    ScreenshotPage desktop;
    desktop.family = QStringLiteral("menu-popover");
    desktop.name = QStringLiteral("desktop");
    desktop.size = popoverArea;
    desktop.hardware = Hardware::desktop;
    desktop.make = [](const ViewEnvironment& environment) -> QWidget* {
        environment.telemetry->recordDesktopPower(DesktopPowerSample{environment.model->clock().date(), 34.6},
                                                  environment.model->clock().date());
        return new MenuPopoverView(environment);
    };
    desktop.afterShow = waitForApplications;
    catalog.add(desktop);
}

}  // namespace screenshots
