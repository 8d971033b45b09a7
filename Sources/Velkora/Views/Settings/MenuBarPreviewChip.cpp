#include "Settings/MenuBarPreviewChip.h"

#include "MenuBar/MenuBarBatteryImage.h"
#include "MenuBar/MenuBarBatteryText.h"
#include "MenuBar/MenuBarText.h"
#include "MenuBar/StatusPowerImage.h"

#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/DesktopPowerText.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velkora {

namespace {

constexpr qreal spacing = 5;

QMargins padding(MenuBarPreviewChip::Kind kind)
{
    return kind == MenuBarPreviewChip::Kind::battery ? QMargins(13, 8, 13, 8) : QMargins(9, 9, 9, 9);
}

}  // namespace

MenuBarPreviewChip::MenuBarPreviewChip(const ViewEnvironment& environment, Kind kind, int sampleLevel,
                                       QWidget* parent)
    : QWidget(parent), environment_(environment), kind_(kind), sampleLevel_(sampleLevel)
{
    setObjectName(QStringLiteral("menu-bar-preview"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    AppSettings* settings = environment_.settings;
    const auto now = [this] { refresh(std::nullopt); };
    if (kind_ == Kind::battery) {
        connect(settings, &AppSettings::showBatteryPowerChanged, this,
                [this] { refresh(VelkoraMotion::panelChange(environment_.reducesMotion())); });
        connect(settings, &AppSettings::batteryStatusColorSchemeChanged, this,
                [this] { refresh(VelkoraMotion::opacityChange(environment_.reducesMotion())); });
        connect(settings, &AppSettings::showPercentageChanged, this, now);
        connect(settings, &AppSettings::menuBarIconStyleChanged, this, now);
        connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, now);
    } else {
        connect(settings, &AppSettings::showDesktopPowerChanged, this, now);
        connect(environment_.telemetry, &TelemetryStore::desktopPowerChanged, this, now);
        connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, now);
    }
    connect(settings, &AppSettings::appearanceChanged, this, now);
    refresh(std::nullopt);
}

MenuBarPreviewChip::Content MenuBarPreviewChip::content() const
{
    const AppSettings& settings = *environment_.settings;
    if (kind_ == Kind::desktop) {
        return settings.showDesktopPower() ? Content::powerBadge : Content::boltSymbol;
    }
    if (settings.showBatteryPower()) {
        return Content::powerBadge;
    }
    return settings.menuBarIconStyle() == MenuBarIconStyle::compact ? Content::boltSymbol : Content::batteryGlyph;
}

bool MenuBarPreviewChip::glyphShowsBolt() const
{
    return QString::fromUtf8(previewSymbol(environment_.settings->menuBarIconStyle())).endsWith(QStringLiteral(".bolt"));
}

QString MenuBarPreviewChip::text() const
{
    if (kind_ == Kind::desktop) {
        return QString();
    }
    const AppSettings& settings = *environment_.settings;
    return MenuBarBatteryText::value(settings.showBatteryPower(), settings.showPercentage(), settings.menuBarIconStyle(),
                                     sampleLevel_, environment_.telemetry->snapshot().battery.systemLoadWatts);
}

QColor MenuBarPreviewChip::foreground() const
{
    if (kind_ == Kind::desktop) {
        return VelkoraTheme::label();
    }
    return VelkoraTheme::batteryLevelColor(sampleLevel_, environment_.settings->batteryStatusColorScheme());
}

QFont MenuBarPreviewChip::font() const
{
    return VelkoraFont::system(kind_ == Kind::battery ? 14 : 15, QFont::DemiBold);
}

QPixmap MenuBarPreviewChip::drawContent() const
{
    const qreal scale = devicePixelRatioF();
    const QColor ink = foreground();
    const double load = environment_.telemetry->snapshot().battery.systemLoadWatts;
    QImage icon;
    QString symbol;
    switch (content()) {
    case Content::powerBadge:
        if (kind_ == Kind::battery) {
            icon = StatusPowerImage::make(load, sampleLevel_, Qt::black, true).render(scale, ink);
        } else {
            const std::optional<double> watts = environment_.telemetry->liveDesktopWatts(environment_.model->clock().date());
            icon = StatusPowerImage::make(watts, std::nullopt, Qt::black, true).render(scale, ink);
        }
        break;
    case Content::batteryGlyph:
        icon = MenuBarBatteryImage::make(sampleLevel_, glyphShowsBolt(),
                                         color(environment_.settings->batteryStatusColorScheme(),
                                               BatteryLevelBand::healthy),
                                         false)
                   .render(scale);
        break;
    case Content::boltSymbol: symbol = QStringLiteral("bolt.fill"); break;
    }
    const QFontMetricsF metrics(font());
    const int pointSize = kind_ == Kind::battery ? 14 : 15;
    const QSizeF iconSize = symbol.isEmpty() ? QSizeF(icon.size()) / scale
                                             : QSizeF(SymbolImage::side(pointSize), SymbolImage::side(pointSize));
    const QString label = text();
    const qreal textWidth = label.isEmpty() ? 0 : spacing + MenuBarText::width(font(), label);
    const QSizeF size(iconSize.width() + textWidth, std::max(iconSize.height(), metrics.height()));
    QPixmap pixmap((size * scale).toSize() + QSize(1, 1));
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const QRectF iconArea(QPointF(0, (size.height() - iconSize.height()) / 2), iconSize);
    if (symbol.isEmpty()) {
        painter.drawImage(iconArea, icon);
    } else {
        SymbolImage::paint(painter, iconArea, symbol, pointSize, QFont::DemiBold, ink);
    }
    if (!label.isEmpty()) {
        // Even digits, as the status item draws them.
        painter.setPen(ink);
        MenuBarText::draw(painter, font(), QPointF(iconSize.width() + spacing, (size.height() - metrics.height()) / 2),
                          label);
    }
    return pixmap;
}

void MenuBarPreviewChip::refresh(const std::optional<Animation>& animation)
{
    previous_ = current_;
    current_ = drawContent();
    if (content() == Content::powerBadge) {
        const QString watts =
            kind_ == Kind::battery
                ? DesktopPowerText::value(environment_.telemetry->snapshot().battery.systemLoadWatts)
                : DesktopPowerText::value(environment_.telemetry->liveDesktopWatts(environment_.model->clock().date()));
        setAccessibleName(kind_ == Kind::battery
                              ? L(QStringLiteral("Menu bar preview: battery 80%, system load "),
                                  QStringLiteral("菜单栏预览：电池 80%，系统负载 ")) + watts
                              : L(QStringLiteral("Menu bar preview: system load "),
                                  QStringLiteral("菜单栏预览：系统负载 ")) + watts);
    } else {
        setAccessibleName(QString());
    }
    updateGeometry();
    fade_ = previous_.isNull() ? 1.0 : 0.0;
    VelkoraMotion::animate(this, "fade", 1.0, animation);
    update();
}

void MenuBarPreviewChip::setFade(qreal fade)
{
    fade_ = fade;
    update();
}

QSize MenuBarPreviewChip::sizeHint() const
{
    const QMargins margins = padding(kind_);
    const QSizeF content = QSizeF(current_.size()) / current_.devicePixelRatio();
    return QSize(static_cast<int>(std::ceil(content.width())) + margins.left() + margins.right(),
                 static_cast<int>(std::ceil(content.height())) + margins.top() + margins.bottom());
}

void MenuBarPreviewChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath capsule = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0);
    painter.fillPath(capsule, VelkoraTheme::card());
    if (kind_ == Kind::battery) {
        painter.strokePath(capsule, QPen(VelkoraTheme::border(), 1.0));
    }
    const auto place = [this](const QPixmap& pixmap) {
        const QSizeF size = QSizeF(pixmap.size()) / pixmap.devicePixelRatio();
        return QPointF((width() - size.width()) / 2, (height() - size.height()) / 2);
    };
    if (fade_ < 1.0 && !previous_.isNull()) {
        painter.setOpacity(1.0 - fade_);
        painter.drawPixmap(place(previous_), previous_);
    }
    painter.setOpacity(fade_);
    painter.drawPixmap(place(current_), current_);
}

}  // namespace velkora
