#include "Foundation/SimulatedRoot.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::filesystem::path SimulatedRoot::directory()
{
    const char* root = std::getenv("SIMMAC_ROOT");
    if (root != nullptr && *root != '\0') {
        return root;
    }
    // Without a setting each user gets a Mac of their own, so that two people
    // on one machine never share (or trust) each other's simulated root.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        return std::filesystem::path(runtime) / "simmac";
    }
    const char* temporary = std::getenv("TMPDIR");
    const std::filesystem::path base = temporary != nullptr && *temporary == '/' ? temporary : "/tmp";
    return base / ("simmac-" + std::to_string(getuid()));
}

std::filesystem::path SimulatedRoot::resolve(std::string_view macPath)
{
    while (!macPath.empty() && macPath.front() == '/') {
        macPath.remove_prefix(1);
    }
    return directory() / std::filesystem::path(macPath);
}

std::string SimulatedRoot::userName()
{
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr) {
        return entry->pw_name;
    }
    return "uid" + std::to_string(getuid());
}

std::filesystem::path SimulatedRoot::homeDirectory()
{
    if (getuid() == 0) {
        return resolve("/var/root");
    }
    return resolve("/Users") / userName();
}

}  // namespace platform
