#include "MenuBar/StatusPowerImage.h"

#include "MenuBar/MenuBarBatteryImage.h"
#include "MenuBar/MenuBarPowerText.h"
#include "MenuBar/MenuBarText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velkora {

namespace {

void drawPlug(QPainter& painter, const QColor& color)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    QPainterPath gap;
    gap.addRoundedRect(QRectF(8.4, 2.5, 9.3, 12.5), 3.5, 3.5);
    painter.fillPath(gap, Qt::black);
    painter.restore();

    QPainterPath plug;
    plug.moveTo(9.3, 13.5);
    plug.lineTo(17, 13.5);
    plug.lineTo(17, 10);
    plug.cubicTo(17, 8.2, 14.2, 7.7, 14.2, 7);
    plug.lineTo(14.2, 0.8);
    plug.lineTo(11.6, 0.8);
    plug.lineTo(11.6, 7);
    plug.cubicTo(9.3, 7.7, 9.3, 8.2, 9.3, 10);
    plug.closeSubpath();
    painter.fillPath(plug, color);
    painter.fillRect(QRectF(10.4, 13.2, 1.8, 4.2), color);
    painter.fillRect(QRectF(14.5, 13.2, 1.8, 4.2), color);
}

}  // namespace

MenuBarImage StatusPowerImage::make(std::optional<double> watts, std::optional<int> percentage, const QColor& color,
                                    bool isTemplate)
{
    const double fraction = percentage ? std::clamp(*percentage, 0, 100) / 100.0 : 0.0;
    QString text = MenuBarPowerText::value(watts);
    if (text != QStringLiteral("—")) {
        text += QStringLiteral(" W");
    }
    const bool desktop = !percentage.has_value();
    return MenuBarImage(size, isTemplate, [=](QPainter& painter) {
        painter.save();
        painter.translate(0, 2);
        MenuBarBatteryImage::draw(painter, fraction, false, color);
        painter.restore();
        if (desktop) {
            drawPlug(painter, color);
        }
        // Text stands upright: its line box rests 1 point above the bottom.
        const QFont font = MenuBarText::font();
        painter.save();
        painter.translate(0, size.height());
        painter.scale(1, -1);
        painter.setPen(color);
        MenuBarText::draw(painter, font, QPointF(31, size.height() - 1 - QFontMetricsF(font).height()), text);
        painter.restore();
    });
}

}  // namespace velkora
