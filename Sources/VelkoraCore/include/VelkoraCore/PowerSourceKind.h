#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace velkora {

// Whose power mode a command changes: the one used on battery or on the adapter.
enum class PowerSourceKind {
    battery,
    adapter,
};

inline constexpr std::array<PowerSourceKind, 2> allPowerSourceKinds = {PowerSourceKind::battery,
                                                                       PowerSourceKind::adapter};

std::string_view rawValue(PowerSourceKind kind);
// Exact, case-sensitive.
std::optional<PowerSourceKind> powerSourceKindFromRawValue(std::string_view rawValue);

void to_json(nlohmann::ordered_json& json, PowerSourceKind kind);
void from_json(const nlohmann::json& json, PowerSourceKind& kind);

}  // namespace velkora
