#pragma once

#include <QColor>

namespace velkora {

// `color` with its alpha multiplied by `opacity` (0 to 1), as a view's
// opacity modifier draws it.
QColor withOpacity(QColor color, qreal opacity);

// The colour `progress` (0 to 1) of the way from `from` to `to`, each
// component and the alpha mixed linearly, as a colour animation passes.
QColor blend(const QColor& from, const QColor& to, qreal progress);

}  // namespace velkora
