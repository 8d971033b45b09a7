#pragma once

#include <QString>

#include <optional>

namespace velkora {

// The watts inside the menu bar's power badge: one decimal below 100, none
// from 100, "1k" just below 1000 and "—" for nothing, non-finite values,
// below 0.1 and from 1000 on.
class MenuBarPowerText {
public:
    MenuBarPowerText() = delete;

    static QString value(std::optional<double> watts);
};

}  // namespace velkora
