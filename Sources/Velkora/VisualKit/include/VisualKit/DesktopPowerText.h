#pragma once

#include <QString>

#include <optional>

namespace velkora {

// The one text of a desktop power reading, shared by the desktop page, the
// popover, the menu-bar settings and the status item so that all agree.
class DesktopPowerText {
public:
    DesktopPowerText() = delete;

    // "12.3 W" for a reading from 0.1 up to (not including) 1000 W, rounded
    // as one decimal rounds (999.96 reads "1000.0 W"); an em dash "—" when
    // there is no reading or it is outside that range, infinite or not a
    // number.
    static QString value(std::optional<double> watts);
};

}  // namespace velkora
