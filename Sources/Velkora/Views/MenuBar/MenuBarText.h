#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

class QPainter;

namespace velkora {

// Texts of the menu bar with monospaced digits: every digit takes the cell
// of the font's widest one, centred in it, so that a changing figure keeps
// its width and the item does not shift.
class MenuBarText {
public:
    MenuBarText() = delete;

    // The font of the label and the badge: the system font, 13 points, medium.
    static QFont font();
    static qreal width(const QFont& font, const QString& text);
    // Draws `text` with its line box's top left at `topLeft`, in the
    // painter's pen.
    static void draw(QPainter& painter, const QFont& font, QPointF topLeft, const QString& text);
};

}  // namespace velkora
