// The floating overlay's card in each charging state and each band of the
// level, with and without the percentage, under every colour scheme; the
// overlay settings page, alone and with the overlay it shows; the
// sleep-behaviour page with each of its sentences.

#include "BatteryScene.h"
#include "Shots.h"

#include "Overlay/OverlaySettingsView.h"
#include "Overlay/OverlayWidgetView.h"
#include "Settings/SleepBehaviorView.h"

#include "VisualKit/PageFrame.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QGridLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace screenshots {

namespace {

using namespace velkora;

// Settings of the pictures' own, apart from the world's.
AppSettings* cardSettings(QObject* owner, bool showsPercentage, BatteryStatusColorScheme scheme)
{
    auto* settings = new AppSettings(platform::UserDefaults(QStringLiteral("com.velkora.screenshots.overlay")),
                                     platform::SMAppService::mainApp(), owner);
    settings->setOverlayShowsPercentage(showsPercentage);
    settings->setBatteryStatusColorScheme(scheme);
    return settings;
}

// One card reading `snapshot`, captioned, in cell (row, column) of `grid`.
void addCard(QGridLayout* grid, int row, int column, const QString& caption, const PowerSnapshot& snapshot,
             AppSettings* settings, const ViewEnvironment& world)
{
    QWidget* owner = grid->parentWidget();
    auto* telemetry = new TelemetryStore(owner);
    telemetry->setSnapshot(snapshot);
    ViewEnvironment environment;
    environment.telemetry = telemetry;
    environment.settings = settings;
    environment.reduceMotion = world.reduceMotion;
    auto* cell = new QWidget();
    auto* stack = new QVBoxLayout(cell);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(new VelkoraLabel(caption, VelkoraFont::caption(), ForegroundStyle::secondary));
    stack->addWidget(new OverlayWidgetView(environment), 0, Qt::AlignLeading);
    grid->addWidget(cell, row, column, Qt::AlignLeading | Qt::AlignTop);
}

PowerSnapshot reading(int percentage, ChargingState state, bool adapter, bool charging)
{
    PowerSnapshot snapshot = BatteryScene::laptop(percentage, state, "");
    snapshot.battery.adapterConnected = adapter;
    snapshot.battery.isCharging = charging;
    return snapshot;
}

QWidget* cardsPage(const ViewEnvironment& world)
{
    auto* frame = new PageFrame();
    frame->addSection(new PageTitle(QStringLiteral("eye"), QStringLiteral("覆盖")));
    auto* holder = new QWidget();
    auto* grid = new QGridLayout(holder);
    grid->setHorizontalSpacing(28);
    grid->setVerticalSpacing(18);
    AppSettings* shown = cardSettings(holder, true, BatteryStatusColorScheme::tallowmere);
    AppSettings* hidden = cardSettings(holder, false, BatteryStatusColorScheme::tallowmere);
    const struct {
        const char* caption;
        PowerSnapshot snapshot;
        AppSettings* settings;
    } cards[] = {
        {"charging 57 %", reading(57, ChargingState::charging, true, true), shown},
        {"held at 80 %", reading(80, ChargingState::paused, true, false), shown},
        {"sailing 77 %", reading(77, ChargingState::sailing, true, false), shown},
        {"top-up 96 %", reading(96, ChargingState::topUp, true, true), shown},
        {"on battery 42 % (low)", reading(42, ChargingState::onBattery, false, false), shown},
        {"on battery 12 % (critical)", reading(12, ChargingState::onBattery, false, false), shown},
        {"heat protection 64 %", reading(64, ChargingState::heatProtected, true, false), shown},
        {"discharging 92 %", reading(92, ChargingState::discharging, true, false), shown},
        {"calibrating 100 %", reading(100, ChargingState::calibrating, true, false), shown},
        {"no percentage, charging 57 %", reading(57, ChargingState::charging, true, true), hidden},
        {"no percentage, on battery 12 %", reading(12, ChargingState::onBattery, false, false), hidden},
        {"helper unavailable", reading(63, ChargingState::unavailable, true, true), shown},
    };
    int index = 0;
    for (const auto& card : cards) {
        addCard(grid, index / 3, index % 3, QString::fromUtf8(card.caption), card.snapshot, card.settings, world);
        ++index;
    }
    frame->addSection(holder);
    return frame;
}

QWidget* schemesPage(const ViewEnvironment& world)
{
    auto* frame = new PageFrame();
    frame->addSection(new PageTitle(QStringLiteral("eye"), QStringLiteral("覆盖")));
    auto* holder = new QWidget();
    auto* grid = new QGridLayout(holder);
    grid->setHorizontalSpacing(28);
    grid->setVerticalSpacing(18);
    int row = 0;
    for (const BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
        AppSettings* settings = cardSettings(holder, true, scheme);
        const QString name = title(scheme);
        addCard(grid, row, 0, name + QStringLiteral(" · 12 %"), reading(12, ChargingState::onBattery, false, false),
                settings, world);
        addCard(grid, row, 1, name + QStringLiteral(" · 35 %"), reading(35, ChargingState::onBattery, false, false),
                settings, world);
        addCard(grid, row, 2, name + QStringLiteral(" · 88 %"), reading(88, ChargingState::charging, true, true),
                settings, world);
        ++row;
    }
    frame->addSection(holder);
    return frame;
}

ScreenshotPage page(const QString& family, const QString& name, std::function<QWidget*(const ViewEnvironment&)> make)
{
    ScreenshotPage shot;
    shot.family = family;
    shot.name = name;
    shot.make = std::move(make);
    return shot;
}

// The sleep page on a model of its own, on a helper that reports `snapshot` and holds `policy`.
ScreenshotPage sleepPage(const QString& name, PowerSnapshot snapshot, ChargePolicy policy,
                         BatteryScene::Helper helper = BatteryScene::Helper::healthy)
{
    BatteryScene::Setup setup;
    setup.snapshot = std::move(snapshot);
    setup.policy = policy;
    setup.helper = helper;
    setup.historySeconds = 2;
    ScreenshotPage shot;
    shot.family = QStringLiteral("sleep-behavior");
    shot.name = name;
    shot.make = [setup](const ViewEnvironment&) -> QWidget* {
        auto* owner = new BatteryScene(setup);
        return owner->attach(new SleepBehaviorView(owner->environment()));
    };
    return shot;
}

ChargePolicy sleepRules(bool management, bool stopBeforeSleep, bool preventSleep)
{
    ChargePolicy policy;
    policy.managementEnabled = management;
    policy.chargeLimit = 80;
    policy.stopChargingBeforeSleep = stopBeforeSleep;
    policy.preventSleepUntilLimit = preventSleep;
    return policy;
}

}  // namespace

void addOverlayShots(ScreenshotCatalog& catalog)
{
    ScreenshotPage cards = page(QStringLiteral("overlay"), QStringLiteral("cards"), cardsPage);
    cards.size = QSize(970, 560);
    catalog.add(cards);
    ScreenshotPage schemes = page(QStringLiteral("overlay"), QStringLiteral("schemes"), schemesPage);
    schemes.size = QSize(970, 560);
    catalog.add(schemes);
    catalog.add(page(QStringLiteral("overlay"), QStringLiteral("page"),
                     [](const ViewEnvironment& environment) { return new OverlaySettingsView(environment); }));
    ScreenshotPage shown = page(QStringLiteral("overlay"), QStringLiteral("page-with-overlay"),
                                [](const ViewEnvironment& environment) { return new OverlaySettingsView(environment); });
    shown.afterShow = [](QWidget* view) { static_cast<OverlaySettingsView*>(view)->showButton()->click(); };
    catalog.add(shown);
    ScreenshotPage desktop = page(QStringLiteral("overlay"), QStringLiteral("page-without-battery"),
                                  [](const ViewEnvironment& environment) { return new OverlaySettingsView(environment); });
    desktop.hardware = Hardware::desktop;
    catalog.add(desktop);

    catalog.add(sleepPage(QStringLiteral("keeps-awake"), BatteryScene::laptop(57, ChargingState::charging, "正在充电至 80%"),
                          sleepRules(true, true, true)));
    catalog.add(sleepPage(QStringLiteral("protects"), BatteryScene::laptop(80, ChargingState::paused, "已达到 80% 充电上限"),
                          sleepRules(true, true, true)));
    PowerSnapshot onBattery = reading(46, ChargingState::onBattery, false, false);
    onBattery.stateReason = "未连接电源适配器";
    catalog.add(sleepPage(QStringLiteral("management-off"), onBattery, sleepRules(false, true, true)));
    catalog.add(sleepPage(QStringLiteral("awaiting-approval"),
                          BatteryScene::laptop(57, ChargingState::charging, "充电管理已关闭"), sleepRules(true, true, false),
                          BatteryScene::Helper::awaitingApproval));
}

}  // namespace screenshots
