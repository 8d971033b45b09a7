#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Every absolute macOS path the system touches lives under one folder, the
// simulated system root, so that a whole Mac (SMC, launchd, /Applications,
// /Library, the users' homes) can run side by side with the real Linux system.
class SimulatedRoot {
public:
    // The folder named by SIMMAC_ROOT; when it is unset or empty, the user's
    // own $XDG_RUNTIME_DIR/simmac, else ${TMPDIR:-/tmp}/simmac-<uid>.
    static std::filesystem::path directory();

    // "/Library/Application Support/Velkora" -> <root>/Library/Application Support/Velkora.
    // Relative paths are taken as relative to the root as well.
    static std::filesystem::path resolve(std::string_view macPath);

    // The simulated home of the user running this process: <root>/Users/<name>,
    // or <root>/var/root for root, as on a Mac.
    static std::filesystem::path homeDirectory();

    // The name of the user running this process.
    static std::string userName();
};

}  // namespace platform
