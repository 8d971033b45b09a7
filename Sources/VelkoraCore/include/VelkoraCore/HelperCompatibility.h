#pragma once

namespace velkora {

// How a running daemon relates to this build of the application.
enum class HelperCompatibility {
    current,               // the daemon is of this build
    staleBuild,            // same protocol, another build
    incompatibleProtocol,  // another protocol version
    invalidIdentity,       // another service name or parent bundle identifier
};

constexpr bool requiresUpdate(HelperCompatibility compatibility)
{
    return compatibility == HelperCompatibility::incompatibleProtocol ||
           compatibility == HelperCompatibility::invalidIdentity;
}

}  // namespace velkora
