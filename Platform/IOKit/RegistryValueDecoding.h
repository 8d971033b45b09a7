#pragma once

#include <nlohmann/json.hpp>

#include "IOKit/CFPropertyValue.h"

namespace platform {

// A registry value as simmac sends it (one-member objects named after the
// type: {"bool": true}, {"int": -1532}, {"text": "..."}, {"data": "0A1B"},
// {"array": [...]}, {"dict": {...}}) as a CFPropertyValue; null for JSON null
// and for anything malformed.
CFTypeRef decodeRegistryValue(const nlohmann::ordered_json& value);

}  // namespace platform
