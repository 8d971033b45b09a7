#include "MenuBar/MenuBarText.h"

#include "VisualKit/MonospacedDigits.h"
#include "VisualKit/VelkoraFont.h"

#include <QFontMetricsF>
#include <QPainter>


namespace velkora {

QFont MenuBarText::font()
{
    return VelkoraFont::system(13, QFont::Medium);
}

qreal MenuBarText::width(const QFont& font, const QString& text)
{
    return MonospacedDigits::width(text, font);
}

void MenuBarText::draw(QPainter& painter, const QFont& font, QPointF topLeft, const QString& text)
{
    painter.save();
    MonospacedDigits::draw(painter, text, font, topLeft.x(), topLeft.y() + QFontMetricsF(font).ascent());
    painter.restore();
}

}  // namespace velkora
