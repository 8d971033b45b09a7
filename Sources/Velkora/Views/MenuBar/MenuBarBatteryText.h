#pragma once

#include "Services/AppSettings.h"

#include <QString>

namespace velkora {

// The text beside the menu bar's battery icon, shared by the status item
// and the preview of the menu-bar settings: with the power figure shown the
// badge carries the watts and there is no text; otherwise the percentage
// followed by "%" when the user shows it or the style is compact, else no
// text (empty).
class MenuBarBatteryText {
public:
    MenuBarBatteryText() = delete;

    static QString value(bool showPower, bool showPercentage, MenuBarIconStyle iconStyle, int percentage,
                         double systemLoadWatts);
};

}  // namespace velkora
