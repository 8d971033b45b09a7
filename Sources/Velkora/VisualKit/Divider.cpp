#include "VisualKit/Divider.h"

#include "VisualKit/VelkoraTheme.h"

#include <QPainter>

namespace velkora {

Divider::Divider(qreal opacity, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), opacity_(opacity), orientation_(orientation)
{
    if (orientation == Qt::Horizontal) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(1);
    } else {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        setFixedWidth(1);
    }
}

QSize Divider::sizeHint() const
{
    return QSize(1, 1);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(opacity_);
    painter.fillRect(rect(), VelkoraTheme::separator());
}

}  // namespace velkora
