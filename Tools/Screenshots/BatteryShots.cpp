// The battery pages in the states a user meets: charging below the limit,
// held at it, sailing, heat protection, calibration, a forced discharge, the
// helper awaiting approval or outdated, a failed limit change, "Applying…",
// and a reading without a battery; the charge-limit control in each of its
// placements. At the page area of the default window (970 x 760) and of the
// smallest one (910 x 650), and in full length to see the bottom of a page.

#include "BatteryScene.h"
#include "Shots.h"

#include "Battery/ChargeControlView.h"
#include "Battery/ChargeLimitControl.h"
#include "Battery/DashboardView.h"

#include "VisualKit/PageFrame.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraPanel.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace screenshots {

namespace {

using namespace velkora;

constexpr QSize minimumPageArea(910, 650);
constexpr QSize fullLengthDashboard(910, 1180);
constexpr QSize fullLengthChargeControl(910, 1240);

ChargePolicy managedPolicy(int limit, bool sailing = true, bool heatProtection = false)
{
    ChargePolicy policy;
    policy.managementEnabled = true;
    policy.chargeLimit = limit;
    policy.sailingEnabled = sailing;
    policy.heatProtectionEnabled = heatProtection;
    return policy;
}

BatteryScene::Setup scene(PowerSnapshot snapshot, ChargePolicy policy)
{
    BatteryScene::Setup setup;
    setup.snapshot = std::move(snapshot);
    setup.policy = policy;
    return setup;
}

struct State {
    const char* name;
    BatteryScene::Setup setup;
};

std::vector<State> states()
{
    std::vector<State> all;
    all.push_back({"charging", scene(BatteryScene::laptop(57, ChargingState::charging, "正在充电至 80%"), managedPolicy(80))});

    PowerSnapshot held = BatteryScene::laptop(80, ChargingState::paused, "已达到 80% 充电上限");
    all.push_back({"held", scene(held, managedPolicy(80, false))});

    PowerSnapshot sailing = BatteryScene::laptop(77, ChargingState::sailing, "航海区间 75%–80%");
    all.push_back({"sailing", scene(sailing, managedPolicy(80))});

    PowerSnapshot hot = BatteryScene::laptop(64, ChargingState::heatProtected, "电池温度达到 40°C");
    hot.battery.temperatureCelsius = 41.8;
    all.push_back({"heat", scene(hot, managedPolicy(80, true, true))});

    PowerSnapshot calibrating = BatteryScene::laptop(100, ChargingState::calibrating, "校准：满电保持 1 小时");
    calibrating.calibrationPhase = CalibrationPhase::holdingFull;
    BatteryScene::Setup calibration = scene(calibrating, managedPolicy(80));
    calibration.calibrating = true;
    all.push_back({"calibrating", calibration});

    PowerSnapshot discharging = BatteryScene::laptop(92, ChargingState::discharging, "正在主动放电");
    discharging.battery.currentAmps = -1.38;
    discharging.battery.powerWatts = -17.4;
    discharging.battery.timeRemainingMinutes = 316;
    discharging.adapter.inputWatts = 0;
    all.push_back({"discharging", scene(discharging, managedPolicy(80))});

    BatteryScene::Setup approval = scene(BatteryScene::laptop(63, ChargingState::charging, "充电管理已关闭"), ChargePolicy{});
    approval.helper = BatteryScene::Helper::awaitingApproval;
    all.push_back({"approval", approval});

    BatteryScene::Setup outdated = scene(BatteryScene::laptop(71, ChargingState::paused, "已达到 80% 充电上限"), managedPolicy(80));
    outdated.helper = BatteryScene::Helper::outdated;
    all.push_back({"outdated", outdated});

    BatteryScene::Setup failed = scene(BatteryScene::laptop(57, ChargingState::charging, "正在充电至 80%"), managedPolicy(80));
    const QString message = L(QStringLiteral("Couldn’t apply 60%; restored 80%. Couldn’t connect to the charging service"),
                              QStringLiteral("未能应用 60%，已恢复为 80%。无法连接充电后台服务"));
    failed.lastError = message;
    failed.chargeLimitError = message;
    all.push_back({"error", failed});

    BatteryScene::Setup noBattery = scene(PowerSnapshot::noBattery(), ChargePolicy{});
    noBattery.historySeconds = 0;
    all.push_back({"no-battery", noBattery});
    return all;
}

// A page that owns the scene it shows.
template <typename View>
ScreenshotPage page(const QString& name, QSize size, BatteryScene::Setup setup)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("battery");
    shot.name = name;
    shot.size = size;
    shot.make = [setup](const ViewEnvironment&) -> QWidget* {
        auto* owner = new BatteryScene(setup);
        return owner->attach(new View(owner->environment()));
    };
    return shot;
}

// The three placements of the charge-limit control side by side, with the
// model of `setup`.
QWidget* placements(BatteryScene& scene)
{
    const ViewEnvironment environment = scene.environment();
    auto* frame = new PageFrame();
    frame->addSection(new PageTitle(QStringLiteral("slider.horizontal.3"), QStringLiteral("充电上限")));
    auto* row = new QWidget();
    row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(18);
    // Each in a column of its own width, as tall as its content needs.
    const auto column = [line](QWidget* control, int width) {
        auto* holder = new QWidget();
        holder->setFixedWidth(width);
        auto* stack = new QVBoxLayout(holder);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->addWidget(control);
        stack->addStretch(1);
        line->addWidget(holder);
    };
    column(new ChargeLimitControl(environment), 400);
    // The dashboard's deck: embedded in a panel of the deck's own.
    auto* deck = new VelkoraPanel(environment, VelkoraPanel::Metrics{26, 16, false});
    deck->contentLayout()->addWidget(
        new ChargeLimitControl(environment, ChargeLimitLayout{.compact = true, .embedded = true}));
    column(deck, 350);
    // The popover's: compact in a panel of its own.
    column(new ChargeLimitControl(environment, ChargeLimitLayout{.compact = true}), 300);
    line->addStretch(1);
    frame->addSection(row);
    return frame;
}

ScreenshotPage placementsPage(const QString& name, BatteryScene::Setup setup)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("battery");
    shot.name = name;
    shot.size = QSize(1180, 420);
    auto owner = std::make_shared<QPointer<BatteryScene>>();
    const bool applying = setup.applyingLimit.has_value();
    shot.make = [setup, owner](const ViewEnvironment&) -> QWidget* {
        *owner = new BatteryScene(setup);
        return (*owner)->attach(placements(**owner));
    };
    if (applying) {
        shot.afterShow = [owner](QWidget*) { (*owner)->advance(std::chrono::milliseconds(300)); };
    }
    return shot;
}

}  // namespace

void addBatteryShots(ScreenshotCatalog& catalog)
{
    for (const State& state : states()) {
        const QString name = QString::fromLatin1(state.name);
        catalog.add(page<DashboardView>(QStringLiteral("dashboard-") + name, minimumPageArea, state.setup));
        catalog.add(page<ChargeControlView>(QStringLiteral("charge-control-") + name, minimumPageArea, state.setup));
    }
    const State charging = states().front();
    catalog.add(page<DashboardView>(QStringLiteral("dashboard-charging-default-size"), pageAreaSize, charging.setup));
    catalog.add(page<ChargeControlView>(QStringLiteral("charge-control-charging-default-size"), pageAreaSize,
                                        charging.setup));
    catalog.add(page<DashboardView>(QStringLiteral("dashboard-charging-full-length"), fullLengthDashboard,
                                    charging.setup));
    for (const std::size_t index : {std::size_t{3}, std::size_t{4}}) {
        const State state = states()[index];
        catalog.add(page<ChargeControlView>(QStringLiteral("charge-control-") + QString::fromLatin1(state.name) +
                                                QStringLiteral("-full-length"),
                                            fullLengthChargeControl, state.setup));
    }

    for (const State& state : states()) {
        const QString name = QString::fromLatin1(state.name);
        if (name == QLatin1String("charging") || name == QLatin1String("approval") ||
            name == QLatin1String("outdated") || name == QLatin1String("error")) {
            catalog.add(placementsPage(QStringLiteral("limit-control-") + name, state.setup));
        }
    }
    BatteryScene::Setup applying = charging.setup;
    applying.applyingLimit = 70;
    catalog.add(placementsPage(QStringLiteral("limit-control-applying"), applying));
}

}  // namespace screenshots
