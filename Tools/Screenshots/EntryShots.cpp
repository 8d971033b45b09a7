// The application entry's views outside the main window: the menu-bar
// label in every style, state, band and colour scheme, on a bar as the strip
// shows it, and the approval guide's panel.

#include "Shots.h"

#include "App/BackgroundPermissionGuideView.h"
#include "MenuBar/StatusItemLabel.h"
#include "MenuBar/StatusStrip.h"

#include "VisualKit/FloatingWindow.h"
#include "VisualKit/PageFrame.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include <chrono>
#include <memory>

namespace screenshots {

namespace {

using namespace velkora;
using namespace std::chrono_literals;

class NoLoginItem : public platform::SMAppService {
public:
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return Status::notRegistered; }
};

// Settings and telemetry of the gallery's own, kept as long as the page.
struct LabelWorld : QObject {
    LabelWorld()
        : settings(platform::UserDefaults(QStringLiteral("com.velkora.screenshots.menubar")),
                   std::make_shared<NoLoginItem>())
    {
        settings.setShowPercentage(true);
        settings.setShowBatteryPower(false);
        settings.setShowDesktopPower(false);
        settings.setShowHardwarePercentage(false);
    }

    AppSettings settings;
    TelemetryStore telemetry;
};

// One label on a strip of the bar, as the strip draws it.
QWidget* strip(LabelWorld& world, BatteryAvailability availability, TelemetryStore::Date now)
{
    auto* shown = new StatusStrip();
    shown->setWindowFlags(Qt::Widget);
    const StatusItemLabel label(world.telemetry, world.settings, availability);
    shown->setLabel(label.render(2, shown->textColor(), now));
    return shown;
}

void setBattery(TelemetryStore& telemetry, ChargingState state, int percentage, double load = 0)
{
    PowerSnapshot snapshot;
    snapshot.state = state;
    snapshot.battery.percentage = percentage;
    snapshot.battery.hardwarePercentage = percentage;
    snapshot.battery.systemLoadWatts = load;
    telemetry.setSnapshot(snapshot);
}

VelkoraLabel* caption(const QString& text)
{
    return new VelkoraLabel(text, VelkoraFont::caption(), ForegroundStyle::secondary);
}

struct Sample {
    ChargingState state;
    int percentage;
    QString name;
};

QWidget* labelsPage(const ViewEnvironment& environment, BatteryStatusColorScheme scheme)
{
    auto* page = new PageFrame();
    auto* world = new LabelWorld();
    world->setParent(page);
    world->settings.setBatteryStatusColorScheme(scheme);
    const TelemetryStore::Date now = std::chrono::system_clock::now();
    page->addSection(new PageTitle(QStringLiteral("menubar.rectangle"),
                                   L("Menu-bar labels: ", "菜单栏标签：") + title(scheme)));

    const std::vector<Sample> samples = {
        {ChargingState::charging, 82, L("Charging 82 %", "充电 82 %")},
        {ChargingState::onBattery, 64, L("Battery 64 %", "电池 64 %")},
        {ChargingState::discharging, 38, L("Discharging 38 %", "放电 38 %")},
        {ChargingState::paused, 12, L("Paused 12 %", "暂停 12 %")},
        {ChargingState::heatProtected, 70, L("Too warm", "过热")},
        {ChargingState::unavailable, 55, L("Unavailable", "不可用")},
        {ChargingState::error, 55, L("Error", "错误")},
    };
    auto* panel = new VelkoraPanel(environment);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    panel->contentLayout()->addLayout(grid);
    for (int column = 0; column < static_cast<int>(samples.size()); ++column) {
        grid->addWidget(caption(samples[column].name), 0, column + 1);
    }
    int row = 1;
    for (const MenuBarIconStyle style : allMenuBarIconStyles) {
        world->settings.setMenuBarIconStyle(style);
        grid->addWidget(caption(title(style)), row, 0);
        for (int column = 0; column < static_cast<int>(samples.size()); ++column) {
            setBattery(world->telemetry, samples[column].state, samples[column].percentage);
            grid->addWidget(strip(*world, BatteryAvailability::present, now), row, column + 1, Qt::AlignLeft);
        }
        ++row;
    }
    // Without the percentage, with battery power, and the other availabilities.
    world->settings.setMenuBarIconStyle(MenuBarIconStyle::dynamic);
    world->settings.setShowPercentage(false);
    setBattery(world->telemetry, ChargingState::charging, 82, 9.4);
    grid->addWidget(caption(L("No percentage", "不显示百分比")), row, 0);
    grid->addWidget(strip(*world, BatteryAvailability::present, now), row, 1, Qt::AlignLeft);
    world->settings.setShowBatteryPower(true);
    grid->addWidget(caption(L("Battery power", "电池功率")), row, 2);
    grid->addWidget(strip(*world, BatteryAvailability::present, now), row, 3, 1, 2, Qt::AlignLeft);
    ++row;
    world->settings.setShowBatteryPower(false);
    world->telemetry.setSnapshot(PowerSnapshot::noBattery());
    grid->addWidget(caption(L("Detecting", "检测中")), row, 0);
    grid->addWidget(strip(*world, BatteryAvailability::detecting, now), row, 1, Qt::AlignLeft);
    grid->addWidget(caption(L("Desktop", "台式机")), row, 2);
    grid->addWidget(strip(*world, BatteryAvailability::absent, now), row, 3, Qt::AlignLeft);
    world->settings.setShowDesktopPower(true);
    world->telemetry.recordDesktopPower(DesktopPowerSample{now - 1s, 31.6}, now - 1s);
    grid->addWidget(strip(*world, BatteryAvailability::absent, now), row, 4, 1, 2, Qt::AlignLeft);
    page->addSection(panel);
    return page;
}

// The guide's panel, with its shadow, floating over the page at `card`.
void showGuidePanel(QWidget* page, QPoint card)
{
    auto* panel =
        new FloatingWindow(BackgroundPermissionGuideView::shadow, BackgroundPermissionGuideView::cornerRadius);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setCard(new BackgroundPermissionGuideView([] {}, [] {}));
    panel->setCardGeometry(QRect(page->mapToGlobal(card), QSize(900, 144)));
    panel->show();
}

ScreenshotPage shot(const QString& name, QSize size, std::function<QWidget*(const ViewEnvironment&)> make)
{
    ScreenshotPage page;
    page.family = QStringLiteral("menubar");
    page.name = name;
    page.size = size;
    page.make = std::move(make);
    return page;
}

}  // namespace

void addEntryShots(ScreenshotCatalog& catalog)
{
    catalog.add(shot(QStringLiteral("labels-tallowmere"), QSize(1080, 560), [](const ViewEnvironment& environment) {
        return labelsPage(environment, BatteryStatusColorScheme::tallowmere);
    }));
    catalog.add(shot(QStringLiteral("labels-system"), QSize(1080, 560), [](const ViewEnvironment& environment) {
        return labelsPage(environment, BatteryStatusColorScheme::system);
    }));
    catalog.add(shot(QStringLiteral("labels-accessible"), QSize(1080, 560), [](const ViewEnvironment& environment) {
        return labelsPage(environment, BatteryStatusColorScheme::accessible);
    }));
    ScreenshotPage guide;
    guide.family = QStringLiteral("guide");
    guide.name = QStringLiteral("panel");
    guide.size = QSize(988, 232);
    guide.make = [](const ViewEnvironment&) { return new QWidget(); };
    guide.afterShow = [](QWidget* page) { showGuidePanel(page, QPoint(44, 28)); };
    catalog.add(std::move(guide));
}

}  // namespace screenshots
