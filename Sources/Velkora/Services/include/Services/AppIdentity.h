#pragma once

#include <filesystem>
#include <string>

namespace velkora {

// Where the application must live and which build it is.
class AppIdentity {
public:
    AppIdentity() = delete;

    // "/Applications/Tallowmere.app" in the simulated root, made on first use
    // and kept for the life of the process.
    static const std::filesystem::path& expectedAppURL();

    // The main bundle's CFBundleVersion, its build stamp, or "unknown". The
    // daemon's launchd property list must carry the same stamp.
    static std::string build();
    // The main bundle's CFBundleShortVersionString, or "unknown".
    static std::string version();
};

}  // namespace velkora
