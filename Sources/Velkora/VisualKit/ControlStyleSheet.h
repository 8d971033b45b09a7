#pragma once

#include "VisualKit/ColorAppearance.h"

#include <QString>

namespace velkora {

// The look of the standard controls the pages use as they are (scroll bars,
// pickers, steppers, date and text fields), in the kit's colours for
// `appearance`: the application's style sheet.
QString controlStyleSheet(ColorAppearance appearance);

}  // namespace velkora
