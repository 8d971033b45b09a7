#include "Foundation/SimulatedRoot.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::filesystem::path SimulatedRoot::directory()
{
    const char* root = std::getenv("SIMMAC_ROOT");
    if (root == nullptr || *root == '\0') {
        return "/tmp/simmac";
    }
    return root;
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
