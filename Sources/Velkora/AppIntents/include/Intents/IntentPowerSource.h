#pragma once

#include "AppIntents/AppIntentsCatalogue.h"

#include <string_view>

namespace velkora {

// A power source as Shortcuts names it. Published with the actions; no action
// takes it yet.
enum class IntentPowerSource { battery, adapter };

std::string_view rawValue(IntentPowerSource source);

// Type "IntentPowerSource", display name "电源来源".
platform::AppEnumDeclaration intentPowerSourceDeclaration();

}  // namespace velkora
