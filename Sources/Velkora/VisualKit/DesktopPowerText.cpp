#include "VisualKit/DesktopPowerText.h"

#include "VisualKit/ValueFormatting.h"

#include <cmath>

namespace velkora {

QString DesktopPowerText::value(std::optional<double> watts)
{
    if (!watts || !std::isfinite(*watts) || *watts < 0.1 || *watts >= 1000) {
        return QStringLiteral("\u2014");
    }
    return oneDecimal(*watts) + QStringLiteral(" W");
}

}  // namespace velkora
