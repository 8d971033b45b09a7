#pragma once

#include <string_view>

namespace velkora {

// The name the actions' dialogs give the application: fixed, whatever the
// bundle calls itself.
inline constexpr std::string_view productName = "Tallowmere";

}  // namespace velkora
