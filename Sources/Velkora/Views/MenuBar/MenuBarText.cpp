#include "MenuBar/MenuBarText.h"

#include "VisualKit/VelkoraFont.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace velkora {

namespace {

qreal digitCell(const QFontMetricsF& metrics)
{
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit) {
        widest = std::max(widest, metrics.horizontalAdvance(QLatin1Char(digit)));
    }
    return widest;
}

}  // namespace

QFont MenuBarText::font()
{
    return VelkoraFont::system(13, QFont::Medium);
}

qreal MenuBarText::width(const QFont& font, const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    qreal width = 0;
    for (const QChar character : text) {
        width += character.isDigit() ? cell : metrics.horizontalAdvance(character);
    }
    return width;
}

void MenuBarText::draw(QPainter& painter, const QFont& font, QPointF topLeft, const QString& text)
{
    const QFontMetricsF metrics(font);
    const qreal cell = digitCell(metrics);
    const qreal baseline = topLeft.y() + metrics.ascent();
    qreal x = topLeft.x();
    painter.save();
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
    painter.restore();
}

}  // namespace velkora
