#include "VisualKit/ContinuousShape.h"

#include <algorithm>

namespace velkora {

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    const qreal limit = std::min(rect.width(), rect.height()) / 2;
    if (radius >= limit) {
        path.addRoundedRect(rect, limit, limit);
        return path;
    }
    // The corner starts 1.28 radii from the corner along each edge and is
    // one cubic whose handles reach towards the corner: a circular arc
    // would start at 1 radius with handles at 0.55 of it.
    const qreal extent = std::min(radius * 1.28, limit);
    const qreal handle = extent * 0.36;
    const qreal left = rect.left();
    const qreal top = rect.top();
    const qreal right = rect.right();
    const qreal bottom = rect.bottom();
    path.moveTo(left + extent, top);
    path.lineTo(right - extent, top);
    path.cubicTo(right - handle, top, right, top + handle, right, top + extent);
    path.lineTo(right, bottom - extent);
    path.cubicTo(right, bottom - handle, right - handle, bottom, right - extent, bottom);
    path.lineTo(left + extent, bottom);
    path.cubicTo(left + handle, bottom, left, bottom - handle, left, bottom - extent);
    path.lineTo(left, top + extent);
    path.cubicTo(left, top + handle, left + handle, top, left + extent, top);
    path.closeSubpath();
    return path;
}

}  // namespace velkora
