#include "VisualKit/MonospacedDigits.h"

#include <algorithm>

namespace velkora {

qreal MonospacedDigits::cellWidth(const QFontMetricsF& metrics)
{
    // Cells fit the widest drawn digit, not the widest advance: a face may
    // set one digit far wider than it draws (the rounded face's 4 takes a
    // fifth more room than its ink), which would open a gap between every
    // pair of figures. The zero's side bearings keep the digits apart.
    const QLatin1Char zero('0');
    qreal widestInk = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        widestInk = std::max(widestInk, metrics.boundingRect(QLatin1Char(digit)).width());
    }
    const qreal bearings = metrics.horizontalAdvance(zero) - metrics.boundingRect(zero).width();
    return widestInk + std::max<qreal>(bearings, 0);
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
