#pragma once

namespace velkora {

// The appearance that colours are drawn for: the user's AppAppearance with
// "system" resolved (see VelkoraTheme::resolve).
enum class ColorAppearance { dark, light };

}  // namespace velkora
