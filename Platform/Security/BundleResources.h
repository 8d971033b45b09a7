#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace platform {

class CheckBudget;

// The files of a bundle as its seal sees them. Every file under the bundle's
// folder is sealed, nested signed executables included, except the main
// executable (sealed by the code digest) and the seal's own record.
class BundleResources {
public:
    // The signature record's place, relative to the bundle.
    static constexpr const char* codeResourcesPath = "Contents/_CodeSignature/CodeResources";

    // Relative path of the main executable: the one file in "Contents/MacOS".
    // Throws SecurityError (errSecCSBadObjectFormat) when there is not exactly one.
    static std::string mainExecutableOf(const std::filesystem::path& bundle);

    // Whether a recorded main-executable path names a file directly in
    // "Contents/MacOS" (and cannot lead outside the bundle).
    static bool isMainExecutablePath(const std::string& relativePath);

    // Relative path -> hex SHA-256 for a file, "symlink:" and the target for a
    // symbolic link (never followed). Throws SecurityError: errSecCSBadResource
    // for a file of another kind, errSecCSInternalError when the folder cannot
    // be read or the work does not fit in `budget` (none: no bound).
    static std::map<std::string, std::string> seal(const std::filesystem::path& bundle,
                                                   const std::string& mainExecutable,
                                                   CheckBudget* budget = nullptr);

    // Throws SecurityError (errSecCSBadResource) naming the first file that
    // was added, removed or changed since `sealed` was made.
    static void compare(const std::map<std::string, std::string>& sealed,
                        const std::map<std::string, std::string>& found, const std::filesystem::path& bundle);
};

}  // namespace platform
