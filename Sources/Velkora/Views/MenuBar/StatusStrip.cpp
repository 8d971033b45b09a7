#include "MenuBar/StatusStrip.h"

#include "VisualKit/VelkoraTheme.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace velkora {

StatusStrip::StatusStrip(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("status-strip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(2 * labelPadding, barHeight);
}

QColor StatusStrip::textColor() const
{
    return VelkoraTheme::label();
}

void StatusStrip::setLabel(const QImage& label)
{
    label_ = label;
    const qreal ratio = label.devicePixelRatio() > 0 ? label.devicePixelRatio() : 1.0;
    const int labelWidth = static_cast<int>(std::ceil(label.width() / ratio));
    setFixedSize(labelWidth + 2 * labelPadding, barHeight);
    placeAtTopRight();
    update();
}

void StatusStrip::placeAtTopRight()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    move(available.right() + 1 - width(), available.top());
}

void StatusStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), VelkoraTheme::floatingSurface());
    painter.setPen(VelkoraTheme::separator());
    painter.drawLine(QPointF(0, barHeight - 0.5), QPointF(width(), barHeight - 0.5));
    if (!label_.isNull()) {
        const qreal ratio = label_.devicePixelRatio() > 0 ? label_.devicePixelRatio() : 1.0;
        const QSizeF size(label_.width() / ratio, label_.height() / ratio);
        painter.drawImage(QRectF(QPointF(labelPadding, (barHeight - size.height()) / 2), size), label_);
    }
}

void StatusStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace velkora
