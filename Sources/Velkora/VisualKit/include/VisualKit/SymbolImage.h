#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace velkora {

// The application's symbols. Views name a symbol by its system symbol name
// ("bolt.fill", "battery.100percent.bolt", ...); each name maps to a glyph
// of the installed icon font (package fonts-material-design-icons-iconfont),
// drawn in one colour at the size that text of the given point size and
// weight would have, heavier weights drawn with a thicker outline. The
// battery glyphs are turned on their side to lie like the battery they name.
// Main thread only.
class SymbolImage {
public:
    SymbolImage() = delete;

    // Every name the kit draws, in a fixed order.
    static QStringList knownNames();
    static bool knows(const QString& name);

    // The side, in points, of the square a symbol takes beside text of
    // `pointSize` points.
    static qreal side(int pointSize);

    // Paints `name` centred in `rect`. An unknown name paints nothing (and
    // is logged once); a missing icon font paints an outlined square.
    static void paint(QPainter& painter, const QRectF& rect, const QString& name, int pointSize,
                      QFont::Weight weight, const QColor& color);

    // The symbol alone, `side(pointSize)` points square.
    static QPixmap pixmap(const QString& name, int pointSize, QFont::Weight weight, const QColor& color,
                          qreal devicePixelRatio = 1.0);
    // The same as an icon, for standard buttons and menus (drawn at 2x).
    static QIcon icon(const QString& name, int pointSize, QFont::Weight weight, const QColor& color);

    // Whether the icon font is installed and draws `name` as one glyph.
    static bool drawsGlyph(const QString& name);

private:
    // paint() without the copy: the glyph's outline filled where it stands.
    static void drawSymbol(QPainter& painter, const QRectF& rect, const QString& name, int pointSize,
                           QFont::Weight weight, const QColor& color);
};

}  // namespace velkora
