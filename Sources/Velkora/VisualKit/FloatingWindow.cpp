#include "VisualKit/FloatingWindow.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/PanelShadowImage.h"
#include "VisualKit/WindowCompositing.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRegion>
#include <QVBoxLayout>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>

namespace velkora {

QMargins WindowShadow::margins() const
{
    return QMargins(radius, std::max(0, radius - offset), radius, radius + offset);
}

FloatingWindow::FloatingWindow(WindowShadow shadow, qreal cornerRadius)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      shadow_(shadow),
      cornerRadius_(cornerRadius)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Before the native window is made: it picks a visual with alpha.
    setAttribute(Qt::WA_TranslucentBackground);
    if (WindowCompositing::blendsTranslucency(this)) {
        margins_ = shadow_.margins();
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins_);
    layout->setSpacing(0);
}

void FloatingWindow::setCard(QWidget* card)
{
    card_ = card;
    layout()->addWidget(card);
}

QRect FloatingWindow::cardGeometry() const
{
    return geometry() - margins_;
}

void FloatingWindow::setCardGeometry(const QRect& card)
{
    setGeometry(card + margins_);
}

void FloatingWindow::moveCard(QPoint topLeft)
{
    move(topLeft - QPoint(margins_.left(), margins_.top()));
}

QRect FloatingWindow::localCard() const
{
    return rect() - margins_;
}

void FloatingWindow::paintEvent(QPaintEvent*)
{
    if (margins_.isNull()) {
        return;
    }
    const QRect card = localCard();
    if (shadowImage_.isNull() || shadowImage_.size() != card.size() + QSize(2 * shadow_.radius, 2 * shadow_.radius)) {
        QColor shade(Qt::black);
        shade.setAlphaF(static_cast<float>(shadow_.opacity));
        shadowImage_ = panelShadowImage(card.size(), cornerRadius_, shadow_.radius, shade);
    }
    // The shadow falls on what lies behind the window, never on the card:
    // a see-through card shows what is behind, not its own shadow.
    QPainterPath outside;
    outside.addRect(QRectF(rect()));
    outside = outside.subtracted(continuousRoundedRect(QRectF(card), cornerRadius_));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(outside);
    painter.drawImage(card.topLeft() + QPoint(-shadow_.radius, shadow_.offset - shadow_.radius), shadowImage_);
}

void FloatingWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    shapeToCard();
}

void FloatingWindow::shapeToCard()
{
    const QRect card = localCard();
    if (margins_.isNull()) {
        setMask(QRegion(continuousRoundedRect(QRectF(card), cornerRadius_).toFillPolygon().toPolygon()));
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || !windowHandle()) {
        return;
    }
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    if (!shape || !shape->present) {
        return;
    }
    // The input shape is in the native window's pixels.
    const qreal scale = devicePixelRatioF();
    const xcb_rectangle_t input{static_cast<int16_t>(std::lround(card.x() * scale)),
                                static_cast<int16_t>(std::lround(card.y() * scale)),
                                static_cast<uint16_t>(std::lround(card.width() * scale)),
                                static_cast<uint16_t>(std::lround(card.height() * scale))};
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(winId()), 0, 0, 1, &input);
    xcb_flush(connection);
}

}  // namespace velkora
