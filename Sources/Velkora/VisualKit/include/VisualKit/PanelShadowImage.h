#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

namespace velkora {

// The blurred shape of a continuous rounded rectangle of `size`, in `color`,
// with a margin of the blur around it (the image is that much larger on
// every side): the soft shadow of panels, banners and cards.
QImage panelShadowImage(const QSize& size, qreal cornerRadius, int blur, const QColor& color);

}  // namespace velkora
