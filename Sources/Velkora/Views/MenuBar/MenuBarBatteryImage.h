#pragma once

#include "MenuBar/MenuBarImage.h"

#include <QColor>

class QPainter;

namespace velkora {

// The menu bar's battery glyph, 25 x 14 points: an outlined body with its
// terminal nub, filled from the left by the percentage (clamped to 0-100)
// and, when asked, a bolt cut out of the fill with a thin clear halo.
class MenuBarBatteryImage {
public:
    MenuBarBatteryImage() = delete;

    static constexpr QSizeF size{25, 14};

    static MenuBarImage make(int percentage, bool showsBolt, const QColor& color, bool isTemplate);

    // The glyph's drawing at the painter's origin (y up), for images that
    // include it; `fraction` from 0 to 1.
    static void draw(QPainter& painter, double fraction, bool showsBolt, const QColor& color);
};

}  // namespace velkora
