#pragma once

#include "VelkoraCore/MagSafeLEDMode.h"

#include "ServiceManagement/SMAppService.h"
#include "UserDefaults/UserDefaults.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string_view>

namespace velkora {

// The colour scheme of the windows. Raw values are the case names; titles
// follow the user's language.
enum class AppAppearance { system, light, dark };
inline constexpr std::array<AppAppearance, 3> allAppAppearances = {AppAppearance::system, AppAppearance::light,
                                                                   AppAppearance::dark};
std::string_view rawValue(AppAppearance appearance);
std::optional<AppAppearance> appAppearanceFromRawValue(std::string_view rawValue);
QString title(AppAppearance appearance);

// What the menu-bar item draws.
enum class MenuBarIconStyle { dynamic, classic, energy, compact };
inline constexpr std::array<MenuBarIconStyle, 4> allMenuBarIconStyles = {
    MenuBarIconStyle::dynamic, MenuBarIconStyle::classic, MenuBarIconStyle::energy, MenuBarIconStyle::compact};
std::string_view rawValue(MenuBarIconStyle style);
std::optional<MenuBarIconStyle> menuBarIconStyleFromRawValue(std::string_view rawValue);
QString title(MenuBarIconStyle style);
// The system symbol name of the style's preview in the settings.
std::string_view previewSymbol(MenuBarIconStyle style);

// The layout of the menu-bar popover.
enum class MenuBarLayout { compact, standard, detailed };
inline constexpr std::array<MenuBarLayout, 3> allMenuBarLayouts = {MenuBarLayout::compact, MenuBarLayout::standard,
                                                                   MenuBarLayout::detailed};
std::string_view rawValue(MenuBarLayout layout);
std::optional<MenuBarLayout> menuBarLayoutFromRawValue(std::string_view rawValue);
QString title(MenuBarLayout layout);
QString detail(MenuBarLayout layout);

// The colours of the battery status; the colours themselves belong to the views.
enum class BatteryStatusColorScheme { system, tallowmere, ocean, accessible };
inline constexpr std::array<BatteryStatusColorScheme, 4> allBatteryStatusColorSchemes = {
    BatteryStatusColorScheme::system, BatteryStatusColorScheme::tallowmere, BatteryStatusColorScheme::ocean,
    BatteryStatusColorScheme::accessible};
std::string_view rawValue(BatteryStatusColorScheme scheme);
std::optional<BatteryStatusColorScheme> batteryStatusColorSchemeFromRawValue(std::string_view rawValue);
QString title(BatteryStatusColorScheme scheme);
QString detail(BatteryStatusColorScheme scheme);

// The pages of the main window's sidebar; a route is identified by its raw value.
enum class SidebarRoute { dashboard, chargeControl, sleepBehavior, energyUsage, schedules, shortcuts, overlay, menuBar, other };
inline constexpr std::array<SidebarRoute, 9> allSidebarRoutes = {
    SidebarRoute::dashboard, SidebarRoute::chargeControl, SidebarRoute::sleepBehavior,
    SidebarRoute::energyUsage, SidebarRoute::schedules,   SidebarRoute::shortcuts,
    SidebarRoute::overlay,   SidebarRoute::menuBar,       SidebarRoute::other};
std::string_view rawValue(SidebarRoute route);
std::optional<SidebarRoute> sidebarRouteFromRawValue(std::string_view rawValue);
QString title(SidebarRoute route);
// The system symbol name shown beside the title.
std::string_view symbol(SidebarRoute route);
// The pages that show or change the battery's charging, hidden on a Mac without one.
bool requiresBattery(SidebarRoute route);

// The user's preferences, each kept in the user defaults under a fixed key
// and loaded once at construction. Setting a property announces the change
// (objectWillChange), stores it, writes its key and then emits the property's
// own change signal. Main thread only.
class AppSettings : public QObject {
    Q_OBJECT
public:
    // The standard user defaults and the application's login item unless given.
    explicit AppSettings(platform::UserDefaults defaults = platform::UserDefaults::standard(),
                         std::shared_ptr<platform::SMAppService> loginItem = platform::SMAppService::mainApp(),
                         QObject* parent = nullptr);

    AppAppearance appearance() const { return appearance_; }
    void setAppearance(AppAppearance value);
    bool reduceTransparency() const { return reduceTransparency_; }
    void setReduceTransparency(bool value);
    bool showDockIcon() const { return showDockIcon_; }
    // Also sets the activation policy: regular with a Dock icon, accessory without.
    void setShowDockIcon(bool value);
    // Sets the activation policy from showDockIcon as it stands, for the
    // application's start; the application object must exist.
    void applyDockIconVisibility() const;
    // The login item's status at start; afterwards what setLaunchAtLogin made it.
    bool launchAtLogin() const { return launchAtLogin_; }
    // Registers (true) or unregisters (false) the application as a login item,
    // then sets launchAtLogin. Throws the registration's platform::NSError and
    // leaves launchAtLogin as it was.
    void setLaunchAtLogin(bool enabled);
    bool showPercentage() const { return showPercentage_; }
    void setShowPercentage(bool value);
    bool showBatteryPower() const { return showBatteryPower_; }
    void setShowBatteryPower(bool value);
    bool showDesktopPower() const { return showDesktopPower_; }
    void setShowDesktopPower(bool value);
    bool showHardwarePercentage() const { return showHardwarePercentage_; }
    void setShowHardwarePercentage(bool value);
    bool overlayEnabled() const { return overlayEnabled_; }
    void setOverlayEnabled(bool value);
    bool overlayShowsPercentage() const { return overlayShowsPercentage_; }
    void setOverlayShowsPercentage(bool value);
    double menuItemSpacing() const { return menuItemSpacing_; }
    // Not written back to the user defaults.
    void setMenuItemSpacing(double value);
    MenuBarIconStyle menuBarIconStyle() const { return menuBarIconStyle_; }
    void setMenuBarIconStyle(MenuBarIconStyle value);
    MenuBarLayout menuBarLayout() const { return menuBarLayout_; }
    void setMenuBarLayout(MenuBarLayout value);
    BatteryStatusColorScheme batteryStatusColorScheme() const { return batteryStatusColorScheme_; }
    void setBatteryStatusColorScheme(BatteryStatusColorScheme value);
    MagSafeLEDMode manualLEDMode() const { return manualLEDMode_; }
    void setManualLEDMode(MagSafeLEDMode value);
    bool backgroundDashboardUpdates() const { return backgroundDashboardUpdates_; }
    void setBackgroundDashboardUpdates(bool value);
    bool runMissedTasks() const { return runMissedTasks_; }
    void setRunMissedTasks(bool value);

signals:
    void objectWillChange();
    void appearanceChanged(velkora::AppAppearance value);
    void reduceTransparencyChanged(bool value);
    void showDockIconChanged(bool value);
    void launchAtLoginChanged(bool value);
    void showPercentageChanged(bool value);
    void showBatteryPowerChanged(bool value);
    void showDesktopPowerChanged(bool value);
    void showHardwarePercentageChanged(bool value);
    void overlayEnabledChanged(bool value);
    void overlayShowsPercentageChanged(bool value);
    void menuItemSpacingChanged(double value);
    void menuBarIconStyleChanged(velkora::MenuBarIconStyle value);
    void menuBarLayoutChanged(velkora::MenuBarLayout value);
    void batteryStatusColorSchemeChanged(velkora::BatteryStatusColorScheme value);
    void manualLEDModeChanged(velkora::MagSafeLEDMode value);
    void backgroundDashboardUpdatesChanged(bool value);
    void runMissedTasksChanged(bool value);

private:
    template <typename T, typename Signal>
    void publish(T& field, T value, const QString& key, const QVariant& stored, Signal changed);

    platform::UserDefaults defaults_;
    std::shared_ptr<platform::SMAppService> loginItem_;

    AppAppearance appearance_ = AppAppearance::dark;
    bool reduceTransparency_ = false;
    bool showDockIcon_ = false;
    bool launchAtLogin_ = false;
    bool showPercentage_ = true;
    bool showBatteryPower_ = false;
    bool showDesktopPower_ = true;
    bool showHardwarePercentage_ = false;
    bool overlayEnabled_ = false;
    bool overlayShowsPercentage_ = true;
    double menuItemSpacing_ = 8.0;
    MenuBarIconStyle menuBarIconStyle_ = MenuBarIconStyle::dynamic;
    MenuBarLayout menuBarLayout_ = MenuBarLayout::standard;
    BatteryStatusColorScheme batteryStatusColorScheme_ = BatteryStatusColorScheme::tallowmere;
    MagSafeLEDMode manualLEDMode_ = MagSafeLEDMode::system;
    bool backgroundDashboardUpdates_ = false;
    bool runMissedTasks_ = false;
};

}  // namespace velkora
