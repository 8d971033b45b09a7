#include "MenuBar/MenuBarPowerText.h"

#include <cmath>

namespace velkora {

QString MenuBarPowerText::value(std::optional<double> watts)
{
    if (!watts || !std::isfinite(*watts) || *watts < 0.1 || *watts >= 1000) {
        return QStringLiteral("—");
    }
    if (*watts >= 999.5) {
        return QStringLiteral("1k");
    }
    const double rounded = std::round(*watts * 10) / 10;
    if (rounded < 100) {
        return QString::asprintf("%.1f", rounded);
    }
    return QString::asprintf("%.0f", *watts);
}

}  // namespace velkora
