#pragma once

#include <string_view>

namespace velkora {

// The ten-character team identifier of the organisation that signs the
// application and the daemon: the organisational unit of their leaf
// certificate. It comes from the build setting VELKORA_TEAM_ID, the same one
// the development identity is issued for, so the daemon's check of its
// clients and the application's checks of its bundles always agree.
inline constexpr std::string_view signingTeamIdentifier = VELKORA_TEAM_ID;

}  // namespace velkora
