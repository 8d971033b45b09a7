#include "MenuBar/MenuBarBatteryImage.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velkora {

MenuBarImage MenuBarBatteryImage::make(int percentage, bool showsBolt, const QColor& color, bool isTemplate)
{
    const double fraction = std::clamp(percentage, 0, 100) / 100.0;
    return MenuBarImage(size, isTemplate,
                        [color, fraction, showsBolt](QPainter& painter) { draw(painter, fraction, showsBolt, color); });
}

void MenuBarBatteryImage::draw(QPainter& painter, double fraction, bool showsBolt, const QColor& color)
{
    painter.save();
    QPen outline(color, 1.5);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(0.75, 1.75, 21.5, 10.5), 2.5, 2.5);

    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(23, 5, 2, 4), 1, 1);

    if (fraction > 0) {
        const QRectF well(3, 4, 17, 6);
        QPainterPath clip;
        clip.addRoundedRect(well, 1, 1);
        painter.save();
        painter.setClipPath(clip, Qt::IntersectClip);
        painter.fillRect(QRectF(well.x(), well.y(), fraction * well.width(), well.height()), color);
        painter.restore();
    }

    if (showsBolt) {
        const QPolygonF bolt{{13, 13}, {8, 6}, {11, 6}, {10, 1}, {15, 8}, {12, 8}};
        QPainterPath path;
        path.addPolygon(bolt);
        path.closeSubpath();
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        QPen halo(Qt::black, 2);
        halo.setJoinStyle(Qt::RoundJoin);
        painter.strokePath(path, halo);
        painter.restore();
        painter.fillPath(path, color);
    }
    painter.restore();
}

}  // namespace velkora
