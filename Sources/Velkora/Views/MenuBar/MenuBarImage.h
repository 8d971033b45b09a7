#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>

#include <functional>

class QPainter;

namespace velkora {

// An image of the menu bar: a drawing in points, made again at whatever
// scale it is shown, never cached. The drawing runs with the origin at the
// bottom left and y growing upwards, on a transparent layer of its own, so
// that a part drawn in the clear composition mode cuts through what the
// drawing put there before.
//
// A template image is drawn in black and takes the colour of the bar it is
// shown on (its alpha kept): render() paints it in the tint given.
class MenuBarImage {
public:
    using Drawing = std::function<void(QPainter& painter)>;

    MenuBarImage(QSizeF size, bool isTemplate, Drawing drawing);

    QSizeF size() const { return size_; }
    bool isTemplate() const { return isTemplate_; }

    // The image at `scale` device pixels per point (its device pixel ratio
    // set); a template takes `tint`, which other images ignore.
    QImage render(qreal scale, const QColor& tint = Qt::black) const;
    // Runs the drawing on `painter`, set up as the drawing expects (y up,
    // `size` points tall from the painter's current origin).
    void draw(QPainter& painter) const;

private:
    QSizeF size_;
    bool isTemplate_;
    Drawing drawing_;
};

}  // namespace velkora
