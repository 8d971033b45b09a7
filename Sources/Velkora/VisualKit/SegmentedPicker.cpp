#include "VisualKit/SegmentedPicker.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace velkora {

namespace {

constexpr int pickerHeight = 28;
constexpr int inset = 2;
constexpr int segmentPadding = 12;
constexpr qreal outerRadius = 8;
constexpr qreal innerRadius = 6;

QFont segmentFont(bool chosen)
{
    return VelkoraFont::system(13, chosen ? QFont::DemiBold : QFont::Medium);
}

}  // namespace

SegmentedPicker::SegmentedPicker(const QStringList& titles, QWidget* parent) : QWidget(parent), titles_(titles)
{
    // Tab reaches it; a click chooses without leaving a focus ring behind.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SegmentedPicker::setCurrentIndex(int index)
{
    current_ = index >= 0 && index < count() ? index : -1;
    update();
}

QRect SegmentedPicker::segmentRect(int index) const
{
    if (count() == 0) {
        return QRect();
    }
    const int inner = width() - 2 * inset;
    const int left = inset + inner * index / count();
    const int right = inset + inner * (index + 1) / count();
    return QRect(left, inset, right - left, height() - 2 * inset);
}

QSize SegmentedPicker::sizeHint() const
{
    // Equal segments, each wide enough for the longest title in its bold cut.
    const QFontMetrics metrics(segmentFont(true));
    int widest = 0;
    for (const QString& title : titles_) {
        widest = std::max(widest, metrics.horizontalAdvance(title));
    }
    return QSize(2 * inset + count() * (widest + 2 * segmentPadding), pickerHeight);
}

int SegmentedPicker::segmentAt(const QPoint& point) const
{
    for (int index = 0; index < count(); ++index) {
        if (segmentRect(index).contains(point)) {
            return index;
        }
    }
    return -1;
}

void SegmentedPicker::choose(int index)
{
    if (index < 0 || index >= count()) {
        return;
    }
    setCurrentIndex(index);
    emit activated(index);
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pressed_ = segmentAt(event->position().toPoint());
        update();
    }
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int released = segmentAt(event->position().toPoint());
    const int pressed = pressed_;
    pressed_ = -1;
    update();
    // A press dragged off its segment chooses nothing, as with a button.
    if (released == pressed) {
        choose(released);
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event)
{
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        const int step = (event->key() == Qt::Key_Right) != rightToLeft ? 1 : -1;
        choose(std::clamp(current_ < 0 ? 0 : current_ + step, 0, count() - 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    const QPainterPath outline = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), outerRadius);
    painter.fillPath(outline, VelkoraTheme::track());
    painter.strokePath(outline, QPen(VelkoraTheme::border(), 1.0));
    for (int index = 0; index < count(); ++index) {
        const QRect area = segmentRect(index);
        const bool chosen = index == current_;
        if (chosen) {
            const QPainterPath segment = continuousRoundedRect(QRectF(area), innerRadius);
            painter.fillPath(segment, VelkoraTheme::controlBackground());
            painter.strokePath(segment, QPen(VelkoraTheme::border(), 1.0));
        } else if (index == pressed_) {
            painter.fillPath(continuousRoundedRect(QRectF(area), innerRadius), VelkoraTheme::track());
        } else if (index > 0 && index - 1 != current_) {
            // Hairlines part unchosen neighbours only, as on the platform.
            painter.setPen(QPen(VelkoraTheme::separator(), 1.0));
            painter.drawLine(QPointF(area.left(), area.top() + 6), QPointF(area.left(), area.bottom() - 6));
        }
        painter.setFont(segmentFont(chosen));
        painter.setPen(foregroundColor(chosen ? ForegroundStyle::primary : ForegroundStyle::secondary));
        painter.drawText(area, Qt::AlignCenter, titles_.at(index));
    }
    if (hasFocus()) {
        QColor ring = VelkoraTheme::energy();
        ring.setAlphaF(0.6f);
        painter.strokePath(outline, QPen(ring, 2.0));
    }
}

}  // namespace velkora
