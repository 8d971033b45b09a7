#include "VisualKit/MonospacedDigits.h"

#include <algorithm>

namespace velkora {

qreal MonospacedDigits::cellWidth(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    }
    return widest;
}

qreal MonospacedDigits::width(const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal cell = cellWidth(metrics);
    qreal width = 0;
    for (const QChar character : text) {
        width += character.isDigit() ? cell : metrics.horizontalAdvance(character);
    }
    return width;
}

void MonospacedDigits::draw(QPainter& painter, const QString& text, const QFont& font, qreal x, qreal baseline)
{
    const QFontMetricsF metrics(font);
    const qreal cell = cellWidth(metrics);
    painter.setFont(font);
    for (const QChar character : text) {
        const qreal advance = metrics.horizontalAdvance(character);
        if (character.isDigit()) {
            painter.drawText(QPointF(x + (cell - advance) / 2, baseline), QString(character));
            x += cell;
        } else {
            painter.drawText(QPointF(x, baseline), QString(character));
            x += advance;
        }
    }
}

}  // namespace velkora
