#include "VisualKit/StateBadge.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraMotion.h"

#include "Services/AppLanguage.h"
#include "Services/AppSettings.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QVariantAnimation>

namespace velkora {

namespace {

constexpr int horizontalPadding = 9;
constexpr int verticalPadding = 5;

QFont badgeFont()
{
    return VelkoraFont::system(12, QFont::DemiBold);
}

}  // namespace

StateBadge::StateBadge(const ViewEnvironment& environment, ChargingState state, int percentage, QWidget* parent)
    : QWidget(parent), environment_(environment), settings_(environment.settings), state_(state), percentage_(percentage)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (settings_) {
        connect(settings_, &AppSettings::batteryStatusColorSchemeChanged, this, [this] {
            // The old scheme's colour is gone from the settings; the fade
            // starts from what is drawn now.
            fadeFrom(previousSchemeColor_, text());
            previousSchemeColor_ = targetColor();
        });
    }
    previousSchemeColor_ = targetColor();
}

QString StateBadge::text() const
{
    return appLocalizedName(state_);
}

BatteryStatusColorScheme StateBadge::scheme() const
{
    return settings_ ? settings_->batteryStatusColorScheme() : BatteryStatusColorScheme::tallowmere;
}

QColor StateBadge::targetColor() const
{
    return tone().color(scheme());
}

QColor StateBadge::currentColor() const
{
    return progress_ >= 1.0 ? targetColor() : blend(fromColor_, targetColor(), progress_);
}

void StateBadge::setState(ChargingState state, int percentage)
{
    if (state == state_ && percentage == percentage_) {
        return;
    }
    const BatteryStatusTone before = tone();
    const QColor beforeColor = currentColor();
    const QString beforeText = text();
    state_ = state;
    percentage_ = percentage;
    previousSchemeColor_ = targetColor();
    if (tone() == before) {
        // The same colour; only a new name changes what is drawn.
        if (text() != beforeText) {
            updateGeometry();
            update();
        }
        return;
    }
    fadeFrom(beforeColor, beforeText);
}

void StateBadge::fadeFrom(const QColor& color, const QString& text)
{
    fromColor_ = color;
    fromText_ = text;
    if (fade_) {
        fade_->stop();
        fade_->deleteLater();
    }
    const Animation animation = VelkoraMotion::opacityChange(environment_.reducesMotion());
    fade_ = new QVariantAnimation(this);
    fade_->setObjectName(QStringLiteral("fade"));
    fade_->setStartValue(0.0);
    fade_->setEndValue(1.0);
    fade_->setDuration(static_cast<int>(animation.duration.count()));
    fade_->setEasingCurve(animation.curve);
    connect(fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        progress_ = value.toReal();
        update();
    });
    connect(fade_, &QVariantAnimation::finished, this, [this] {
        progress_ = 1.0;
        fade_->deleteLater();
        fade_ = nullptr;
        update();
    });
    progress_ = 0.0;
    updateGeometry();
    fade_->start();
}

QSize StateBadge::sizeHint() const
{
    const QFontMetricsF metrics(badgeFont());
    qreal width = metrics.horizontalAdvance(text());
    if (progress_ < 1.0) {
        width = std::max(width, metrics.horizontalAdvance(fromText_));
    }
    return QSize(qCeil(width) + 2 * horizontalPadding, qCeil(metrics.height()) + 2 * verticalPadding);
}

void StateBadge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = currentColor();
    QColor fill = color;
    fill.setAlphaF(static_cast<float>(color.alphaF() * fillOpacity));
    painter.fillPath(continuousRoundedRect(rect(), height() / 2.0), fill);
    painter.setFont(badgeFont());
    const QRectF textArea = QRectF(rect()).adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    // The name cross-fades: the old one out as the new one comes in.
    if (progress_ < 1.0 && fromText_ != text()) {
        painter.setOpacity(1.0 - progress_);
        painter.setPen(color);
        painter.drawText(textArea, Qt::AlignCenter, fromText_);
        painter.setOpacity(progress_);
    }
    painter.setPen(color);
    painter.drawText(textArea, Qt::AlignCenter, text());
}

}  // namespace velkora
