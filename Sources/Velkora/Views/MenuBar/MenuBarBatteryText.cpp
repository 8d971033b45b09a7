#include "MenuBar/MenuBarBatteryText.h"

namespace velkora {

QString MenuBarBatteryText::value(bool showPower, bool showPercentage, MenuBarIconStyle iconStyle, int percentage,
                                  double)
{
    if (showPower || !(showPercentage || iconStyle == MenuBarIconStyle::compact)) {
        return QString();
    }
    return QString::number(percentage) + QLatin1Char('%');
}

}  // namespace velkora
