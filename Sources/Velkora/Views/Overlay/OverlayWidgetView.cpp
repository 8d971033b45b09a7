#include "Overlay/OverlayWidgetView.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

const PowerSnapshot& snapshotOf(const TelemetryStore* telemetry)
{
    return telemetry ? telemetry->snapshot() : PowerSnapshot::noBattery();
}

}  // namespace

OverlayWidgetView::OverlayWidgetView(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      telemetry_(environment.telemetry),
      settings_(environment.settings),
      symbol_(new SymbolView(QStringLiteral("battery.75percent"), 25, QFont::Medium)),
      percentage_(new VelkoraLabel(QString(), VelkoraFont::rounded(19, QFont::Bold))),
      state_(new VelkoraLabel(QString(), VelkoraFont::caption2()))
{
    setObjectName(QStringLiteral("overlayWidget"));
    symbol_->setObjectName(QStringLiteral("overlayBatterySymbol"));
    percentage_->setObjectName(QStringLiteral("overlayPercentage"));
    percentage_->setMonospacedDigits(true);
    state_->setObjectName(QStringLiteral("overlayState"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 11, 18, 11);
    row->setSpacing(10);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(1);
    lines->addWidget(percentage_, 0, Qt::AlignLeading);
    lines->addWidget(state_, 0, Qt::AlignLeading);
    row->addLayout(lines);

    if (telemetry_) {
        connect(telemetry_, &TelemetryStore::snapshotChanged, this, &OverlayWidgetView::refresh);
    }
    if (settings_) {
        connect(settings_, &AppSettings::batteryStatusColorSchemeChanged, this, &OverlayWidgetView::refresh);
        connect(settings_, &AppSettings::appearanceChanged, this, &OverlayWidgetView::refresh);
        connect(settings_, &AppSettings::overlayShowsPercentageChanged, this,
                [this](bool shown) { showPercentage(shown, true); });
    }
    percentage_->setVisible(!settings_ || settings_->overlayShowsPercentage());
    refresh();
}

QColor OverlayWidgetView::levelColor() const
{
    const BatteryStatusColorScheme scheme =
        settings_ ? settings_->batteryStatusColorScheme() : BatteryStatusColorScheme::tallowmere;
    return VelkoraTheme::batteryLevelColor(snapshotOf(telemetry_).battery.percentage, scheme);
}

QColor OverlayWidgetView::statusColor() const
{
    const BatteryStatusColorScheme scheme =
        settings_ ? settings_->batteryStatusColorScheme() : BatteryStatusColorScheme::tallowmere;
    const PowerSnapshot& snapshot = snapshotOf(telemetry_);
    return VelkoraTheme::batteryStatusColor(snapshot.state, snapshot.battery.percentage, scheme);
}

void OverlayWidgetView::refresh()
{
    const PowerSnapshot& snapshot = snapshotOf(telemetry_);
    symbol_->setName(snapshot.battery.isCharging ? QStringLiteral("battery.100percent.bolt")
                                                 : QStringLiteral("battery.75percent"));
    const QColor level = levelColor();
    symbol_->setColor(level);
    percentage_->setText(localized(QStringLiteral("%lld%%"), static_cast<qlonglong>(snapshot.battery.percentage)));
    percentage_->setColor(level);
    state_->setText(appLocalizedName(snapshot.state));
    state_->setColor(statusColor());
    update();
}

void OverlayWidgetView::showPercentage(bool shown, bool animated)
{
    const std::optional<Animation> animation =
        animated ? VelkoraMotion::panelChange(environment_.reducesMotion()) : std::nullopt;
    if (!animation) {
        percentage_->setVisible(shown);
        return;
    }
    VelkoraMotion::present(percentage_, shown, Transition{}, *animation);
}

void OverlayWidgetView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = continuousRoundedRect(card, cornerRadius);
    painter.fillPath(shape, VelkoraTheme::ultraThinMaterial());
    QColor hairline(Qt::white);
    hairline.setAlphaF(0.2);
    painter.setPen(QPen(hairline, 1));
    painter.drawPath(shape);
}

}  // namespace velkora
