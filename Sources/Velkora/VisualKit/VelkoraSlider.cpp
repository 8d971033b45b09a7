#include "VisualKit/VelkoraSlider.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraTheme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velkora {

namespace {

constexpr qreal knobDiameter = 18;
constexpr qreal trackHeight = 4;
constexpr int preferredWidth = 200;
constexpr int preferredHeight = 22;
// A disabled slider keeps its shape and fades.
constexpr qreal disabledOpacity = 0.4;

}  // namespace

VelkoraSlider::VelkoraSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent), tint_(VelkoraTheme::energy())
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void VelkoraSlider::setTint(const QColor& tint)
{
    tint_ = tint;
    update();
}

qreal VelkoraSlider::travelStart() const
{
    return knobDiameter / 2;
}

qreal VelkoraSlider::travelLength() const
{
    return std::max<qreal>(0, width() - knobDiameter);
}

int VelkoraSlider::valueAt(int x) const
{
    const qreal length = travelLength();
    if (length <= 0 || maximum() <= minimum()) {
        return minimum();
    }
    const qreal fraction = std::clamp((x - travelStart()) / length, 0.0, 1.0);
    const double exact = minimum() + fraction * (maximum() - minimum());
    const int step = std::max(1, singleStep());
    const long steps = std::lround((exact - minimum()) / step);
    return std::clamp(minimum() + static_cast<int>(steps) * step, minimum(), maximum());
}

QPoint VelkoraSlider::knobCentre() const
{
    const int span = maximum() - minimum();
    const qreal fraction = span > 0 ? qreal(sliderPosition() - minimum()) / span : 0.0;
    return QPointF(travelStart() + fraction * travelLength(), height() / 2.0).toPoint();
}

QSize VelkoraSlider::sizeHint() const
{
    return QSize(preferredWidth, preferredHeight);
}

QSize VelkoraSlider::minimumSizeHint() const
{
    return QSize(static_cast<int>(knobDiameter) * 3, preferredHeight);
}

void VelkoraSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderDown(true);
    setSliderPosition(valueAt(event->position().toPoint().x()));
}

void VelkoraSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderPosition(valueAt(event->position().toPoint().x()));
}

void VelkoraSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isSliderDown() || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderPosition(valueAt(event->position().toPoint().x()));
    setSliderDown(false);
}

void VelkoraSlider::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

void VelkoraSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : disabledOpacity);
    const qreal middle = height() / 2.0;
    const QRectF track(travelStart() - trackHeight / 2, middle - trackHeight / 2,
                       travelLength() + trackHeight, trackHeight);
    painter.fillPath(continuousRoundedRect(track, trackHeight / 2), VelkoraTheme::fill());
    const QPointF knob = knobCentre();
    const QRectF filled(track.left(), track.top(), knob.x() - track.left(), trackHeight);
    if (filled.width() > 0) {
        painter.fillPath(continuousRoundedRect(filled, trackHeight / 2), tint_);
    }

    const QRectF knobRect(knob.x() - knobDiameter / 2, middle - knobDiameter / 2, knobDiameter, knobDiameter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.22f));
    painter.drawEllipse(knobRect.translated(0, 0.75));
    painter.setBrush(isSliderDown() ? QColor::fromRgbF(0.93f, 0.94f, 0.93f) : QColor(Qt::white));
    painter.drawEllipse(knobRect.adjusted(0.25, 0.25, -0.25, -0.25));
    if (hasFocus()) {
        QColor ring = tint_;
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 2));
        painter.drawEllipse(knobRect.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
}

}  // namespace velkora
