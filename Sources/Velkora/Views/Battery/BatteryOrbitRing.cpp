#include "Battery/BatteryOrbitRing.h"

#include "VisualKit/AccessibleElement.h"
#include "VisualKit/ColorMixing.h"
#include "VisualKit/MonospacedDigits.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QConicalGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velkora {

namespace {

// How far a figure rolls while it changes.
constexpr qreal figureTravel = 8;
constexpr int figureSize = 48;
constexpr int percentSignSize = 15;

// The arc over `fraction` of the circle in `rect`, from twelve o'clock clockwise.
QPainterPath arc(const QRectF& rect, qreal fraction)
{
    QPainterPath path;
    path.arcMoveTo(rect, 90);
    path.arcTo(rect, 90, -360 * std::clamp<qreal>(fraction, 0, 1));
    return path;
}

}  // namespace

BatteryOrbitRing::BatteryOrbitRing(QWidget* parent) : QWidget(parent), color_(VelkoraTheme::energy())
{
    setFixedSize(side, side);
    setAccessibleName(localized(QStringLiteral("当前电量")));
    AccessibleElement::combine(this);
    showAccessibleValue();
}

void BatteryOrbitRing::setLevel(int percentage, const QColor& color, bool reduceMotion)
{
    if (percentage == percentage_ && color == color_) {
        return;
    }
    color_ = color;
    if (percentage != percentage_) {
        previousFigure_ = QString::number(percentage_);
        percentage_ = percentage;
        const std::optional<Animation> motion = VelkoraMotion::dataChange(reduceMotion);
        VelkoraMotion::animate(this, "displayedLevel", static_cast<qreal>(percentage), motion);
        if (motion) {
            setFigureProgress(0);
        }
        VelkoraMotion::animate(this, "figureProgress", 1.0, motion);
        showAccessibleValue();
    }
    update();
}

void BatteryOrbitRing::showAccessibleValue()
{
    AccessibleElement::setValue(this,
                                QString::number(percentage_) + L(QStringLiteral(" percent"), QStringLiteral(" 百分比")));
}

void BatteryOrbitRing::setLimit(std::optional<int> limit)
{
    if (limit != limit_) {
        limit_ = limit;
        update();
    }
}

std::optional<qreal> BatteryOrbitRing::limitFraction() const
{
    if (!limit_) {
        return std::nullopt;
    }
    return std::clamp(*limit_ / 100.0, 0.0, 1.0);
}

qreal BatteryOrbitRing::levelFraction() const
{
    return std::clamp(displayedLevel_ / 100.0, 0.0, 1.0);
}

void BatteryOrbitRing::setDisplayedLevel(qreal level)
{
    displayedLevel_ = level;
    update();
}

void BatteryOrbitRing::setFigureProgress(qreal progress)
{
    figureProgress_ = progress;
    update();
}

void BatteryOrbitRing::paintEvent(QPaintEvent*)
{
    // Drawn once per state and copied while it stands; the strokes and the
    // gradient are the costly part of the dashboard.
    const Drawn wanted{displayedLevel_, figureProgress_, percentage_, previousFigure_, limit_, color_,
                       VelkoraTheme::track(), foregroundColor(ForegroundStyle::secondary), devicePixelRatioF()};
    if (!drawn_ || *drawn_ != wanted) {
        image_ = QPixmap(QSize(side, side) * wanted.scale);
        image_.setDevicePixelRatio(wanted.scale);
        image_.fill(Qt::transparent);
        QPainter painter(&image_);
        draw(painter);
        drawn_ = wanted;
    }
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), image_);
}

void BatteryOrbitRing::draw(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    // The strokes lie inside the square.
    const QRectF ring = QRectF(0, 0, side, side).adjusted(ringWidth / 2, ringWidth / 2, -ringWidth / 2, -ringWidth / 2);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(VelkoraTheme::track(), ringWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);

    if (const std::optional<qreal> limit = limitFraction(); limit && *limit > 0) {
        painter.setPen(QPen(withOpacity(VelkoraTheme::warm(), limitOpacity), limitWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc(ring, *limit));
    }

    if (const qreal level = levelFraction(); level > 0) {
        // Full colour at twelve o'clock, 0.68 at six, full again at twelve.
        QConicalGradient gradient(ring.center(), 90);
        gradient.setColorAt(0.0, color_);
        gradient.setColorAt(0.5, withOpacity(color_, 0.68));
        gradient.setColorAt(1.0, color_);
        painter.setPen(QPen(QBrush(gradient), ringWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc(ring, level));
    }

    const QString figure = QString::number(percentage_);
    if (figureProgress_ < 1.0) {
        paintFigure(painter, previousFigure_, 1.0 - figureProgress_, figureTravel * figureProgress_);
        paintFigure(painter, figure, figureProgress_, -figureTravel * (1.0 - figureProgress_));
    } else {
        paintFigure(painter, figure, 1.0, 0);
    }
}

void BatteryOrbitRing::paintFigure(QPainter& painter, const QString& figure, qreal opacity, qreal lift)
{
    const QFont figureFont = VelkoraFont::rounded(figureSize, QFont::Bold);
    const QFont signFont = VelkoraFont::system(percentSignSize, QFont::Bold);
    const QFontMetricsF figureMetrics(figureFont);
    const QFontMetricsF signMetrics(signFont);
    const qreal gap = 2;
    const qreal figureWidth = MonospacedDigits::width(figure, figureFont);
    const qreal total = figureWidth + gap + signMetrics.horizontalAdvance(QChar('%'));
    qreal x = (side - total) / 2;
    // Centred on the figure's cap height.
    const qreal baseline = side / 2.0 + figureMetrics.capHeight() / 2 - lift;
    painter.save();
    painter.setOpacity(opacity);
    painter.setPen(color_);
    MonospacedDigits::draw(painter, figure, figureFont, x, baseline);
    x += figureWidth;
    painter.setFont(signFont);
    painter.setPen(foregroundColor(ForegroundStyle::secondary));
    painter.drawText(QPointF(x + gap, baseline), QStringLiteral("%"));
    painter.restore();
}

}  // namespace velkora
