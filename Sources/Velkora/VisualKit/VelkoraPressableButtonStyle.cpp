#include "VisualKit/VelkoraPressableButtonStyle.h"

#include "VisualKit/VelkoraMotion.h"

#include <QAbstractButton>
#include <QPainter>

namespace velkora {

VelkoraPressableButtonStyle* VelkoraPressableButtonStyle::apply(QAbstractButton* button,
                                                                const ViewEnvironment& environment,
                                                                qreal pressedScale)
{
    auto* style = new VelkoraPressableButtonStyle(button, environment, pressedScale);
    button->setGraphicsEffect(style);
    return style;
}

VelkoraPressableButtonStyle::VelkoraPressableButtonStyle(QAbstractButton* button, const ViewEnvironment& environment,
                                                         qreal pressedScale)
    : QGraphicsEffect(button), environment_(environment), pressedScale_(pressedScale)
{
    connect(button, &QAbstractButton::pressed, this, [this] { follow(true); });
    connect(button, &QAbstractButton::released, this, [this] { follow(false); });
}

void VelkoraPressableButtonStyle::follow(bool pressed)
{
    const bool reduceMotion = environment_.reducesMotion();
    const qreal target = pressed && !reduceMotion ? pressedScale_ : 1.0;
    VelkoraMotion::animate(this, "scale", target, VelkoraMotion::feedback(reduceMotion));
}

void VelkoraPressableButtonStyle::setScale(qreal scale)
{
    scale_ = scale;
    update();
}

void VelkoraPressableButtonStyle::draw(QPainter* painter)
{
    if (qFuzzyCompare(scale_, 1.0)) {
        drawSource(painter);
        return;
    }
    // In device coordinates, as the platform's own effects draw widgets.
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::DeviceCoordinates, &offset);
    if (pixmap.isNull()) {
        return;
    }
    const QPointF centre = QRectF(offset, pixmap.deviceIndependentSize()).center();
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(centre);
    painter->scale(scale_, scale_);
    painter->translate(-centre);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

}  // namespace velkora
