#include "Window/SidebarButton.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>

namespace velkora {

namespace {

constexpr qreal cornerRadius = 12;
constexpr int innerPadding = 13;
constexpr int symbolFrame = 22;
constexpr int symbolPointSize = 15;
constexpr int labelGap = 12;
constexpr int minimumTrailingSpace = 6;
constexpr qreal markerWidth = 3;
constexpr qreal markerHeight = 22;
constexpr qreal markerInset = 5;
// The marker grows from this scale as it appears, unless motion is reduced.
constexpr qreal markerStartScale = 0.92;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

}  // namespace

SidebarButton::SidebarButton(const ViewEnvironment& environment, Kind kind, const QString& symbol,
                             const QString& label, QWidget* parent)
    : QAbstractButton(parent), environment_(environment), kind_(kind), symbol_(symbol)
{
    setText(label);
    setAccessibleName(label);
    // Checkable only to tell assistive technology which row is selected.
    setCheckable(kind == Kind::route);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(rowHeight);
}

void SidebarButton::setSelected(bool selected)
{
    if (kind_ != Kind::route || selected == selected_) {
        return;
    }
    selected_ = selected;
    setChecked(selected);
    const bool reduce = environment_.reducesMotion();
    VelkoraMotion::animate(this, "selectionLevel", selected ? 1.0 : 0.0,
                           reduce ? VelkoraMotion::reducedOpacity() : VelkoraMotion::quick());
}

void SidebarButton::setSelectionLevel(qreal level)
{
    selectionLevel_ = level;
    update();
}

void SidebarButton::setHoverLevel(qreal level)
{
    hoverLevel_ = level;
    update();
}

void SidebarButton::setHovered(bool hovered)
{
    if (hovered == hovered_) {
        return;
    }
    hovered_ = hovered;
    VelkoraMotion::animate(this, "hoverLevel", hovered ? 1.0 : 0.0,
                           VelkoraMotion::feedback(environment_.reducesMotion()));
}

void SidebarButton::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void SidebarButton::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void SidebarButton::nextCheckState()
{
    // The owner selects the row (or not) in answer to clicked().
}

QColor SidebarButton::foreground() const
{
    if (kind_ == Kind::quit) {
        return blend(VelkoraTheme::secondaryLabel(), VelkoraTheme::label(), hoverLevel_);
    }
    const QColor resting = blend(VelkoraTheme::secondaryLabel(), withAlpha(VelkoraTheme::label(), 0.82), hoverLevel_);
    return blend(resting, VelkoraTheme::energy(), selectionLevel_);
}

QColor SidebarButton::background() const
{
    if (kind_ == Kind::quit) {
        return withAlpha(VelkoraTheme::label(), 0.065 * hoverLevel_);
    }
    return withAlpha(VelkoraTheme::energy(), 0.135 * selectionLevel_);
}

QFont SidebarButton::labelFont() const
{
    return VelkoraFont::system(13, selected_ ? QFont::DemiBold : QFont::Medium);
}

QSize SidebarButton::sizeHint() const
{
    const int label = QFontMetrics(labelFont()).horizontalAdvance(text());
    return QSize(innerPadding + symbolFrame + labelGap + label + minimumTrailingSpace + innerPadding, rowHeight);
}

QSize SidebarButton::minimumSizeHint() const
{
    return sizeHint();
}

void SidebarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(rect());
    painter.fillPath(continuousRoundedRect(area, cornerRadius), background());

    if (kind_ == Kind::route && selectionLevel_ > 0) {
        const qreal scale = environment_.reducesMotion() ? 1.0
                                                         : markerStartScale + (1 - markerStartScale) * selectionLevel_;
        const QRectF marker(markerInset, (height() - markerHeight * scale) / 2, markerWidth * scale,
                            markerHeight * scale);
        painter.setOpacity(selectionLevel_);
        painter.fillPath(continuousRoundedRect(marker, marker.width() / 2), VelkoraTheme::energy());
        painter.setOpacity(1);
    }

    const QColor color = foreground();
    const QRectF symbolRect(innerPadding, (height() - symbolFrame) / 2.0, symbolFrame, symbolFrame);
    SymbolImage::paint(painter, symbolRect, symbol_, symbolPointSize, QFont::DemiBold, color);
    painter.setFont(labelFont());
    painter.setPen(color);
    const qreal labelX = symbolRect.right() + labelGap;
    const QRectF labelRect(labelX, 0, width() - labelX - innerPadding, height());
    painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(labelFont()).elidedText(text(), Qt::ElideRight, qFloor(labelRect.width())));
}

}  // namespace velkora
