#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>

namespace velkora {

// Text whose digits each take the same width, as monospaced digits read: a
// value that changes from second to second keeps its place.
class MonospacedDigits {
public:
    // The width of one digit's cell: the widest digit's ink with the zero's
    // side bearings.
    static qreal cellWidth(const QFontMetricsF& metrics);
    // The width `text` takes in `font` with its digits in cells.
    static qreal width(const QString& text, const QFont& font);
    // Draws `text` in `font` with the painter's pen from `x` on `baseline`,
    // character by character, each digit centred in its cell.
    static void draw(QPainter& painter, const QString& text, const QFont& font, qreal x, qreal baseline);
};

}  // namespace velkora
