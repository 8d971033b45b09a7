#include "Services/AppSettings.h"

#include "Services/AppLanguage.h"

#include "AppKit/NSApplication.h"

namespace velkora {

namespace {

template <typename Enum, size_t Count>
std::optional<Enum> caseWithRawValue(const std::array<Enum, Count>& cases, std::string_view text)
{
    for (const Enum candidate : cases) {
        if (rawValue(candidate) == text) {
            return candidate;
        }
    }
    return std::nullopt;
}

QVariant rawValueText(std::string_view raw)
{
    return QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size()));
}

bool isInteger(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant& value)
{
    return isInteger(value) || value.metaType().id() == QMetaType::Double ||
           value.metaType().id() == QMetaType::Float;
}

// The stored text of `key` read as one of `cases`, else `fallback`.
template <typename Enum, size_t Count>
Enum storedCase(const platform::UserDefaults& defaults, const QString& key, const std::array<Enum, Count>& cases,
                Enum fallback)
{
    const QVariant stored = defaults.object(key);
    if (stored.metaType().id() != QMetaType::QString) {
        return fallback;
    }
    return caseWithRawValue(cases, stored.toString().toStdString()).value_or(fallback);
}

// The stored object of `key` if it is a Boolean, else `fallback`.
bool storedBooleanObject(const platform::UserDefaults& defaults, const QString& key, bool fallback)
{
    const QVariant stored = defaults.object(key);
    return stored.metaType().id() == QMetaType::Bool ? stored.toBool() : fallback;
}

}  // namespace

std::string_view rawValue(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::system: return "system";
    case AppAppearance::light: return "light";
    case AppAppearance::dark: return "dark";
    }
    return {};
}

std::optional<AppAppearance> appAppearanceFromRawValue(std::string_view text)
{
    return caseWithRawValue(allAppAppearances, text);
}

QString title(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::system: return localized(QStringLiteral("系统"));
    case AppAppearance::light: return localized(QStringLiteral("浅色"));
    case AppAppearance::dark: return localized(QStringLiteral("深色"));
    }
    return QString();
}

std::string_view rawValue(MenuBarIconStyle style)
{
    switch (style) {
    case MenuBarIconStyle::dynamic: return "dynamic";
    case MenuBarIconStyle::classic: return "classic";
    case MenuBarIconStyle::energy: return "energy";
    case MenuBarIconStyle::compact: return "compact";
    }
    return {};
}

std::optional<MenuBarIconStyle> menuBarIconStyleFromRawValue(std::string_view text)
{
    return caseWithRawValue(allMenuBarIconStyles, text);
}

QString title(MenuBarIconStyle style)
{
    switch (style) {
    case MenuBarIconStyle::dynamic: return localized(QStringLiteral("动态电池"));
    case MenuBarIconStyle::classic: return localized(QStringLiteral("经典电池"));
    case MenuBarIconStyle::energy: return localized(QStringLiteral("能量闪电"));
    case MenuBarIconStyle::compact: return localized(QStringLiteral("紧凑电量"));
    }
    return QString();
}

std::string_view previewSymbol(MenuBarIconStyle style)
{
    switch (style) {
    case MenuBarIconStyle::dynamic: return "battery.75percent";
    case MenuBarIconStyle::classic: return "battery.100percent";
    case MenuBarIconStyle::energy: return "battery.100percent.bolt";
    case MenuBarIconStyle::compact: return "bolt.fill";
    }
    return {};
}

std::string_view rawValue(MenuBarLayout layout)
{
    switch (layout) {
    case MenuBarLayout::compact: return "compact";
    case MenuBarLayout::standard: return "standard";
    case MenuBarLayout::detailed: return "detailed";
    }
    return {};
}

std::optional<MenuBarLayout> menuBarLayoutFromRawValue(std::string_view text)
{
    return caseWithRawValue(allMenuBarLayouts, text);
}

QString title(MenuBarLayout layout)
{
    switch (layout) {
    case MenuBarLayout::compact: return localized(QStringLiteral("紧凑"));
    case MenuBarLayout::standard: return localized(QStringLiteral("标准"));
    case MenuBarLayout::detailed: return localized(QStringLiteral("详细"));
    }
    return QString();
}

QString detail(MenuBarLayout layout)
{
    switch (layout) {
    case MenuBarLayout::compact: return localized(QStringLiteral("状态与三个快捷操作"));
    case MenuBarLayout::standard: return localized(QStringLiteral("增加充电上限控制"));
    case MenuBarLayout::detailed: return localized(QStringLiteral("显示功率、上限与完整状态"));
    }
    return QString();
}

std::string_view rawValue(BatteryStatusColorScheme scheme)
{
    switch (scheme) {
    case BatteryStatusColorScheme::system: return "system";
    case BatteryStatusColorScheme::tallowmere: return "tallowmere";
    case BatteryStatusColorScheme::ocean: return "ocean";
    case BatteryStatusColorScheme::accessible: return "accessible";
    }
    return {};
}

std::optional<BatteryStatusColorScheme> batteryStatusColorSchemeFromRawValue(std::string_view text)
{
    return caseWithRawValue(allBatteryStatusColorSchemes, text);
}

QString title(BatteryStatusColorScheme scheme)
{
    switch (scheme) {
    case BatteryStatusColorScheme::system: return localized(QStringLiteral("macOS 原生"));
    case BatteryStatusColorScheme::tallowmere: return QStringLiteral("Tallowmere");
    case BatteryStatusColorScheme::ocean: return localized(QStringLiteral("海岸冷调"));
    case BatteryStatusColorScheme::accessible: return localized(QStringLiteral("色觉友好"));
    }
    return QString();
}

QString detail(BatteryStatusColorScheme scheme)
{
    switch (scheme) {
    case BatteryStatusColorScheme::system: return localized(QStringLiteral("系统红 · 黄 · 黑/白"));
    case BatteryStatusColorScheme::tallowmere: return localized(QStringLiteral("珊瑚 · 琥珀 · 薄荷"));
    case BatteryStatusColorScheme::ocean: return localized(QStringLiteral("玫红 · 靛蓝 · 青蓝"));
    case BatteryStatusColorScheme::accessible: return localized(QStringLiteral("洋红 · 金色 · 蓝色"));
    }
    return QString();
}

std::string_view rawValue(SidebarRoute route)
{
    switch (route) {
    case SidebarRoute::dashboard: return "dashboard";
    case SidebarRoute::chargeControl: return "chargeControl";
    case SidebarRoute::sleepBehavior: return "sleepBehavior";
    case SidebarRoute::energyUsage: return "energyUsage";
    case SidebarRoute::schedules: return "schedules";
    case SidebarRoute::shortcuts: return "shortcuts";
    case SidebarRoute::overlay: return "overlay";
    case SidebarRoute::menuBar: return "menuBar";
    case SidebarRoute::other: return "other";
    }
    return {};
}

std::optional<SidebarRoute> sidebarRouteFromRawValue(std::string_view text)
{
    return caseWithRawValue(allSidebarRoutes, text);
}

QString title(SidebarRoute route)
{
    switch (route) {
    case SidebarRoute::dashboard: return localized(QStringLiteral("仪表板"));
    case SidebarRoute::chargeControl: return localized(QStringLiteral("充电控制"));
    case SidebarRoute::sleepBehavior: return localized(QStringLiteral("睡眠行为"));
    case SidebarRoute::energyUsage: return localized(QStringLiteral("能源使用"));
    case SidebarRoute::schedules: return localized(QStringLiteral("定时设置"));
    case SidebarRoute::shortcuts: return localized(QStringLiteral("捷径"));
    case SidebarRoute::overlay: return localized(QStringLiteral("覆盖"));
    case SidebarRoute::menuBar: return localized(QStringLiteral("菜单栏"));
    case SidebarRoute::other: return localized(QStringLiteral("其他"));
    }
    return QString();
}

std::string_view symbol(SidebarRoute route)
{
    switch (route) {
    case SidebarRoute::dashboard: return "square.grid.2x2";
    case SidebarRoute::chargeControl: return "battery.100percent.bolt";
    case SidebarRoute::sleepBehavior: return "moon.fill";
    case SidebarRoute::energyUsage: return "leaf";
    case SidebarRoute::schedules: return "calendar.badge.clock";
    case SidebarRoute::shortcuts: return "square.3.layers.3d";
    case SidebarRoute::overlay: return "rectangle.inset.filled.and.person.filled";
    case SidebarRoute::menuBar: return "waveform.path.ecg.rectangle";
    case SidebarRoute::other: return "cube";
    }
    return {};
}

bool requiresBattery(SidebarRoute route)
{
    switch (route) {
    case SidebarRoute::chargeControl:
    case SidebarRoute::sleepBehavior:
    case SidebarRoute::schedules:
    case SidebarRoute::shortcuts:
    case SidebarRoute::overlay: return true;
    case SidebarRoute::dashboard:
    case SidebarRoute::energyUsage:
    case SidebarRoute::menuBar:
    case SidebarRoute::other: return false;
    }
    return false;
}

AppSettings::AppSettings(platform::UserDefaults defaults, std::shared_ptr<platform::SMAppService> loginItem,
                         QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)), loginItem_(std::move(loginItem))
{
    appearance_ = storedCase(defaults_, QStringLiteral("appearance"), allAppAppearances, AppAppearance::dark);
    reduceTransparency_ = defaults_.boolForKey(QStringLiteral("reduceTransparency"));
    showDockIcon_ = defaults_.boolForKey(QStringLiteral("showDockIcon"));
    launchAtLogin_ = loginItem_->status() == platform::SMAppService::Status::enabled;
    showPercentage_ = storedBooleanObject(defaults_, QStringLiteral("showPercentage"), true);
    showBatteryPower_ = defaults_.boolForKey(QStringLiteral("showBatteryPower"));
    showDesktopPower_ = storedBooleanObject(defaults_, QStringLiteral("showDesktopPower"), true);
    showHardwarePercentage_ = defaults_.boolForKey(QStringLiteral("showHardwarePercentage"));
    overlayEnabled_ = defaults_.boolForKey(QStringLiteral("overlayEnabled"));
    overlayShowsPercentage_ = storedBooleanObject(defaults_, QStringLiteral("overlayShowsPercentage"), true);
    if (const QVariant spacing = defaults_.object(QStringLiteral("menuItemSpacing")); isNumber(spacing)) {
        menuItemSpacing_ = spacing.toDouble();
    }
    menuBarIconStyle_ =
        storedCase(defaults_, QStringLiteral("menuBarIconStyle"), allMenuBarIconStyles, MenuBarIconStyle::dynamic);
    menuBarLayout_ = storedCase(defaults_, QStringLiteral("menuBarLayout"), allMenuBarLayouts, MenuBarLayout::standard);
    batteryStatusColorScheme_ = storedCase(defaults_, QStringLiteral("batteryStatusColorScheme"),
                                           allBatteryStatusColorSchemes, BatteryStatusColorScheme::tallowmere);
    if (const QVariant mode = defaults_.object(QStringLiteral("manualLEDMode")); isInteger(mode)) {
        manualLEDMode_ = magSafeLEDModeFromRawValue(mode.toLongLong()).value_or(MagSafeLEDMode::system);
    }
    backgroundDashboardUpdates_ = defaults_.boolForKey(QStringLiteral("backgroundDashboardUpdates"));
    runMissedTasks_ = defaults_.boolForKey(QStringLiteral("runMissedTasks"));
}

template <typename T, typename Signal>
void AppSettings::publish(T& field, T value, const QString& key, const QVariant& stored, Signal changed)
{
    emit objectWillChange();
    field = value;
    if (!key.isEmpty()) {
        defaults_.set(key, stored);
    }
    emit(this->*changed)(value);
}

void AppSettings::setAppearance(AppAppearance value)
{
    publish(appearance_, value, QStringLiteral("appearance"), rawValueText(rawValue(value)),
            &AppSettings::appearanceChanged);
}

void AppSettings::setReduceTransparency(bool value)
{
    publish(reduceTransparency_, value, QStringLiteral("reduceTransparency"), value,
            &AppSettings::reduceTransparencyChanged);
}

void AppSettings::setShowDockIcon(bool value)
{
    publish(showDockIcon_, value, QStringLiteral("showDockIcon"), value, &AppSettings::showDockIconChanged);
    applyDockIconVisibility();
}

void AppSettings::applyDockIconVisibility() const
{
    platform::NSApplication::setActivationPolicy(showDockIcon_ ? platform::NSApplicationActivationPolicy::regular
                                                               : platform::NSApplicationActivationPolicy::accessory);
}

void AppSettings::setLaunchAtLogin(bool enabled)
{
    if (enabled) {
        loginItem_->registerService();
    } else {
        loginItem_->unregisterService();
    }
    publish(launchAtLogin_, enabled, QStringLiteral("launchAtLogin"), enabled, &AppSettings::launchAtLoginChanged);
}

void AppSettings::setShowPercentage(bool value)
{
    publish(showPercentage_, value, QStringLiteral("showPercentage"), value, &AppSettings::showPercentageChanged);
}

void AppSettings::setShowBatteryPower(bool value)
{
    publish(showBatteryPower_, value, QStringLiteral("showBatteryPower"), value,
            &AppSettings::showBatteryPowerChanged);
}

void AppSettings::setShowDesktopPower(bool value)
{
    publish(showDesktopPower_, value, QStringLiteral("showDesktopPower"), value,
            &AppSettings::showDesktopPowerChanged);
}

void AppSettings::setShowHardwarePercentage(bool value)
{
    publish(showHardwarePercentage_, value, QStringLiteral("showHardwarePercentage"), value,
            &AppSettings::showHardwarePercentageChanged);
}

void AppSettings::setOverlayEnabled(bool value)
{
    publish(overlayEnabled_, value, QStringLiteral("overlayEnabled"), value, &AppSettings::overlayEnabledChanged);
}

void AppSettings::setOverlayShowsPercentage(bool value)
{
    publish(overlayShowsPercentage_, value, QStringLiteral("overlayShowsPercentage"), value,
            &AppSettings::overlayShowsPercentageChanged);
}

void AppSettings::setMenuItemSpacing(double value)
{
    publish(menuItemSpacing_, value, QString(), QVariant(), &AppSettings::menuItemSpacingChanged);
}

void AppSettings::setMenuBarIconStyle(MenuBarIconStyle value)
{
    publish(menuBarIconStyle_, value, QStringLiteral("menuBarIconStyle"), rawValueText(rawValue(value)),
            &AppSettings::menuBarIconStyleChanged);
}

void AppSettings::setMenuBarLayout(MenuBarLayout value)
{
    publish(menuBarLayout_, value, QStringLiteral("menuBarLayout"), rawValueText(rawValue(value)),
            &AppSettings::menuBarLayoutChanged);
}

void AppSettings::setBatteryStatusColorScheme(BatteryStatusColorScheme value)
{
    publish(batteryStatusColorScheme_, value, QStringLiteral("batteryStatusColorScheme"),
            rawValueText(rawValue(value)), &AppSettings::batteryStatusColorSchemeChanged);
}

void AppSettings::setManualLEDMode(MagSafeLEDMode value)
{
    publish(manualLEDMode_, value, QStringLiteral("manualLEDMode"), QVariant(qint64(rawValue(value))),
            &AppSettings::manualLEDModeChanged);
}

void AppSettings::setBackgroundDashboardUpdates(bool value)
{
    publish(backgroundDashboardUpdates_, value, QStringLiteral("backgroundDashboardUpdates"), value,
            &AppSettings::backgroundDashboardUpdatesChanged);
}

void AppSettings::setRunMissedTasks(bool value)
{
    publish(runMissedTasks_, value, QStringLiteral("runMissedTasks"), value, &AppSettings::runMissedTasksChanged);
}

}  // namespace velkora
