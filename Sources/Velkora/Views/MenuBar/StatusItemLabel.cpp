#include "MenuBar/StatusItemLabel.h"

#include "MenuBar/MenuBarBatteryImage.h"
#include "MenuBar/MenuBarBatteryText.h"
#include "MenuBar/MenuBarPowerText.h"
#include "MenuBar/MenuBarText.h"
#include "MenuBar/StatusPowerImage.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/SymbolImage.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velkora {

namespace {

const QString batteryPrefix = QStringLiteral("battery.");
const QString boltSuffix = QStringLiteral(".bolt");

}  // namespace

StatusItemLabel::StatusItemLabel(const TelemetryStore& telemetry, const AppSettings& settings,
                                 BatteryAvailability batteryAvailability)
    : telemetry_(telemetry), settings_(settings), batteryAvailability_(batteryAvailability)
{
}

int StatusItemLabel::displayedPercentage() const
{
    const BatterySnapshot& battery = telemetry_.snapshot().battery;
    return static_cast<int>(settings_.showHardwarePercentage() ? battery.hardwarePercentage : battery.percentage);
}

QString StatusItemLabel::statusSymbol() const
{
    if (!batteryPresent()) {
        return QStringLiteral("bolt.fill");
    }
    switch (settings_.menuBarIconStyle()) {
    case MenuBarIconStyle::classic: return QStringLiteral("battery.100percent");
    case MenuBarIconStyle::energy: return QStringLiteral("battery.100percent.bolt");
    case MenuBarIconStyle::compact: return QStringLiteral("bolt.fill");
    case MenuBarIconStyle::dynamic: break;
    }
    switch (telemetry_.snapshot().state) {
    case ChargingState::unavailable:
    case ChargingState::error: return QStringLiteral("battery.0percent");
    case ChargingState::charging:
    case ChargingState::topUp: return QStringLiteral("battery.100percent.bolt");
    case ChargingState::discharging: return QStringLiteral("battery.50percent");
    case ChargingState::heatProtected: return QStringLiteral("thermometer.high");
    case ChargingState::onBattery:
    case ChargingState::paused:
    case ChargingState::sailing:
    case ChargingState::calibrating: return QStringLiteral("battery.100percent");
    }
    return QStringLiteral("battery.100percent");
}

StatusItemLabel::ImageStyle StatusItemLabel::imageStyle() const
{
    const BatteryStatusTone tone(telemetry_.snapshot().state, displayedPercentage());
    const BatteryStatusColorScheme scheme = settings_.batteryStatusColorScheme();
    if (scheme == BatteryStatusColorScheme::system && tone == BatteryStatusTone::level(BatteryLevelBand::healthy)) {
        return {Qt::black, true};
    }
    return {tone.color(scheme), false};
}

QColor StatusItemLabel::statusColor(const QColor& primary) const
{
    if (!batteryPresent()) {
        return primary;
    }
    // The system scheme's healthy colour is the label colour: the bar's own.
    const ImageStyle style = imageStyle();
    return style.isTemplate ? primary : style.color;
}

std::optional<MenuBarImage> StatusItemLabel::batteryImage() const
{
    const QString symbol = statusSymbol();
    if (!batteryPresent() || !symbol.startsWith(batteryPrefix)) {
        return std::nullopt;
    }
    const ImageStyle style = imageStyle();
    return MenuBarBatteryImage::make(displayedPercentage(), symbol.endsWith(boltSuffix), style.color,
                                     style.isTemplate);
}

std::optional<MenuBarImage> StatusItemLabel::coloredStatusImage() const
{
    const ImageStyle style = imageStyle();
    const QString symbol = statusSymbol();
    if (!batteryPresent() || style.isTemplate || !SymbolImage::knows(symbol)) {
        return std::nullopt;
    }
    const qreal side = SymbolImage::side(symbolPointSize);
    return MenuBarImage(QSizeF(side, side), false, [symbol, side, color = style.color](QPainter& painter) {
        painter.save();
        painter.translate(0, side);
        painter.scale(1, -1);
        SymbolImage::paint(painter, QRectF(0, 0, side, side), symbol, symbolPointSize, QFont::Medium, color);
        painter.restore();
    });
}

StatusItemLabel::Content StatusItemLabel::content() const
{
    if (batteryAvailability_ == BatteryAvailability::absent && settings_.showDesktopPower()) {
        return Content::desktopPower;
    }
    if (batteryPresent() && settings_.showBatteryPower()) {
        return Content::batteryPower;
    }
    return Content::icon;
}

StatusItemLabel::Icon StatusItemLabel::icon(Date now) const
{
    switch (content()) {
    case Content::desktopPower:
        return {QString(), StatusPowerImage::make(telemetry_.liveDesktopWatts(now), std::nullopt, Qt::black, true)};
    case Content::batteryPower: {
        const ImageStyle style = imageStyle();
        return {QString(), StatusPowerImage::make(telemetry_.snapshot().battery.systemLoadWatts, displayedPercentage(),
                                                  style.color, style.isTemplate)};
    }
    case Content::icon: break;
    }
    if (batteryAvailability_ == BatteryAvailability::detecting) {
        return {QStringLiteral("ellipsis"), std::nullopt};
    }
    if (std::optional<MenuBarImage> image = batteryImage()) {
        return {statusSymbol(), std::move(image)};
    }
    return {statusSymbol(), coloredStatusImage()};
}

QString StatusItemLabel::text() const
{
    if (content() != Content::icon || !batteryPresent()) {
        return QString();
    }
    return MenuBarBatteryText::value(false, settings_.showPercentage(), settings_.menuBarIconStyle(),
                                     displayedPercentage(), telemetry_.snapshot().battery.systemLoadWatts);
}

std::optional<QString> StatusItemLabel::accessibilityLabel(Date now) const
{
    switch (content()) {
    case Content::desktopPower:
        return L(QStringLiteral("System load "), QStringLiteral("系统负载 ")) +
               DesktopPowerText::value(telemetry_.liveDesktopWatts(now));
    case Content::batteryPower: {
        const QString percentage = QString::number(displayedPercentage());
        const QString power = DesktopPowerText::value(telemetry_.snapshot().battery.systemLoadWatts);
        return L(QStringLiteral("Battery ") + percentage + QStringLiteral("%, system load ") + power,
                 QStringLiteral("电池 ") + percentage + QStringLiteral("%，系统负载 ") + power);
    }
    case Content::icon: break;
    }
    return std::nullopt;
}

StatusItemLabel::Look StatusItemLabel::look(qreal scale, const QColor& primary, Date now) const
{
    Look look;
    look.content = content();
    look.availability = batteryAvailability_;
    look.symbol = statusSymbol();
    look.percentage = displayedPercentage();
    look.image = imageStyle();
    look.foreground = statusColor(primary);
    look.text = text();
    switch (look.content) {
    case Content::desktopPower: look.power = MenuBarPowerText::value(telemetry_.liveDesktopWatts(now)); break;
    case Content::batteryPower: look.power = MenuBarPowerText::value(telemetry_.snapshot().battery.systemLoadWatts); break;
    case Content::icon: break;
    }
    look.scale = scale;
    return look;
}

QImage StatusItemLabel::render(qreal scale, const QColor& primary, Date now) const
{
    const Icon shown = icon(now);
    const QColor foreground = statusColor(primary);
    const QSizeF iconSize = shown.image ? shown.image->size()
                                        : QSizeF(SymbolImage::side(symbolPointSize), SymbolImage::side(symbolPointSize));
    const QString label = text();
    const QFont font = MenuBarText::font();
    const qreal textWidth = label.isEmpty() ? 0 : MenuBarText::width(font, label);
    const qreal width = iconSize.width() + (label.isEmpty() ? 0 : spacing + textWidth);

    QImage image(static_cast<int>(std::ceil(width * scale)), static_cast<int>(std::ceil(height * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const QRectF iconRect(0, (height - iconSize.height()) / 2, iconSize.width(), iconSize.height());
    if (shown.image) {
        painter.drawImage(iconRect, shown.image->render(scale, foreground));
    } else {
        SymbolImage::paint(painter, iconRect, shown.symbol, symbolPointSize, QFont::Medium, foreground);
    }
    if (!label.isEmpty()) {
        painter.setPen(foreground);
        const qreal lineHeight = QFontMetricsF(font).height();
        MenuBarText::draw(painter, font, QPointF(iconSize.width() + spacing, (height - lineHeight) / 2), label);
    }
    return image;
}

}  // namespace velkora
