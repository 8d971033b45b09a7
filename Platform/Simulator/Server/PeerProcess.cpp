#include "Simmac/PeerProcess.h"

#include <fstream>

namespace simmac {

std::string processName(pid_t pid)
{
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(comm, name) || name.empty()) {
        return "?";
    }
    return name;
}

}  // namespace simmac
