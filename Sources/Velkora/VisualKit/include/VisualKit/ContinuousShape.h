#pragma once

#include <QPainterPath>
#include <QRectF>

namespace velkora {

// A rounded rectangle with continuous corners: each corner eases out of the
// straight edge instead of meeting a circular arc at a kink, so large radii
// look soft rather than cut. A radius of at least half the shorter side
// gives a capsule.
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);

}  // namespace velkora
