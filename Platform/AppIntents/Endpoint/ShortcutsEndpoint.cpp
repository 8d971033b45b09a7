#include "AppIntents/ShortcutsEndpoint.h"

#include "Foundation/SimulatedRoot.h"

#include <string>

namespace platform {

std::filesystem::path ShortcutsEndpoint::directory()
{
    return SimulatedRoot::homeDirectory() / "Library/Shortcuts";
}

std::filesystem::path ShortcutsEndpoint::socketPath(std::string_view bundleIdentifier)
{
    return directory() / (std::string(bundleIdentifier) + ".sock");
}

}  // namespace platform
