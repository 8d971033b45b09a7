#pragma once

#include "AppIntents/AppIntentsCatalogue.h"
#include "VelkoraCore/MagSafeLEDMode.h"

#include <array>
#include <optional>
#include <string_view>

namespace velkora {

// The MagSafe LED modes a shortcut may choose. Blinking is the slow blink:
// the fast one is not offered to Shortcuts.
enum class IntentLEDMode { system, off, green, orange, blinkOrange };

inline constexpr std::array<IntentLEDMode, 5> allIntentLEDModes = {
    IntentLEDMode::system, IntentLEDMode::off, IntentLEDMode::green, IntentLEDMode::orange, IntentLEDMode::blinkOrange,
};

std::string_view rawValue(IntentLEDMode mode);
// Exactly the five raw values, case-sensitive; nothing for any other text.
std::optional<IntentLEDMode> intentLEDModeFromRawValue(std::string_view rawValue);
MagSafeLEDMode coreValue(IntentLEDMode mode);

// The enumeration as Shortcuts sees it: type "IntentLEDMode", every case
// with its display title.
platform::AppEnumDeclaration intentLEDModeDeclaration();

}  // namespace velkora
