// The menu-bar settings page: the defaults, the power figure on, the
// system colour scheme with the compact style and layout, and the page of a
// desktop Mac.

#include "Shots.h"

#include "Settings/MenuBarSettingsView.h"

#include "Model/AppModel.h"
#include "Services/AppSettings.h"

namespace screenshots {

namespace {

using namespace velkora;

constexpr QSize fullLength(910, 1080);

ScreenshotPage settingsPage(const QString& name, Hardware hardware, std::function<void(AppSettings&)> choose)
{
    ScreenshotPage shot;
    shot.family = QStringLiteral("menu-bar-settings");
    shot.name = name;
    shot.size = hardware == Hardware::laptop ? fullLength : pageAreaSize;
    shot.hardware = hardware;
    shot.make = [choose](const ViewEnvironment& environment) -> QWidget* {
        AppSettings& settings = *environment.settings;
        settings.setShowBatteryPower(false);
        settings.setShowPercentage(true);
        settings.setShowDesktopPower(true);
        settings.setMenuBarIconStyle(MenuBarIconStyle::dynamic);
        settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::tallowmere);
        settings.setMenuBarLayout(MenuBarLayout::standard);
        choose(settings);
        if (!environment.model->batteryPresent()) {
            const AppClock::Date now = environment.model->clock().date();
            environment.telemetry->recordDesktopPower(DesktopPowerSample{now, 34.6}, now);
        }
        return new MenuBarSettingsView(environment);
    };
    return shot;
}

}  // namespace

void addMenuBarSettingsShots(ScreenshotCatalog& catalog)
{
    catalog.add(settingsPage(QStringLiteral("default"), Hardware::laptop, [](AppSettings&) {}));
    catalog.add(settingsPage(QStringLiteral("power"), Hardware::laptop,
                             [](AppSettings& settings) { settings.setShowBatteryPower(true); }));
    catalog.add(settingsPage(QStringLiteral("system-compact"), Hardware::laptop, [](AppSettings& settings) {
        settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::system);
        settings.setMenuBarIconStyle(MenuBarIconStyle::compact);
        settings.setShowPercentage(false);
        settings.setMenuBarLayout(MenuBarLayout::compact);
    }));
    catalog.add(settingsPage(QStringLiteral("energy-detailed"), Hardware::laptop, [](AppSettings& settings) {
        settings.setBatteryStatusColorScheme(BatteryStatusColorScheme::accessible);
        settings.setMenuBarIconStyle(MenuBarIconStyle::energy);
        settings.setMenuBarLayout(MenuBarLayout::detailed);
    }));
    catalog.add(settingsPage(QStringLiteral("desktop"), Hardware::desktop, [](AppSettings&) {}));
}

}  // namespace screenshots
