#pragma once

#include "MenuBar/MenuBarImage.h"

#include <QColor>

#include <optional>

namespace velkora {

// The menu bar's power badge, 82 x 18 points: the battery glyph filled by
// the percentage (never with a bolt) and beside it the watts
// (MenuBarPowerText, " W" after a number). Without a percentage (a Mac
// without a battery) the glyph is empty and a plug stands in it.
class StatusPowerImage {
public:
    StatusPowerImage() = delete;

    static constexpr QSizeF size{82, 18};

    static MenuBarImage make(std::optional<double> watts, std::optional<int> percentage, const QColor& color,
                             bool isTemplate);
};

}  // namespace velkora
