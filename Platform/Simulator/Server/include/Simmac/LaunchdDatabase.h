#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace simmac {

// The service manager's registrations and the user's approvals, kept in a
// file of the simulated root so that they outlive simmac, as a Mac keeps them
// across restarts. Only where each daemon's property list is stays: the list
// itself is read again at every start, since the bundle may have changed.
class LaunchdDatabase {
public:
    struct Registration {
        std::filesystem::path bundle;
        std::string plistName;

        bool operator==(const Registration&) const = default;
    };
    struct Contents {
        std::vector<Registration> registrations;
        // Labels; an approval outlives the registration it was given to.
        std::set<std::string> approved;

        bool operator==(const Contents&) const = default;
    };

    // The larger a file is, the less it can be simmac's own.
    static constexpr std::uintmax_t largestFile = 1 << 20;

    // "$SIMMAC_ROOT/var/db/simmac/launchd.json" unless another file is named.
    LaunchdDatabase();
    explicit LaunchdDatabase(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // What the file holds; nothing when there is no file. Throws
    // SimulatorError saying what is wrong with a file that cannot be used.
    Contents load() const;
    // Replaces the file as a whole, so that it is either the old or the new
    // one. Throws SimulatorError when it cannot be written.
    void save(const Contents& contents) const;

private:
    std::filesystem::path file_;
};

}  // namespace simmac
