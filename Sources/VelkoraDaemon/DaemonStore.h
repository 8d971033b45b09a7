#pragma once

#include <VelkoraCore/ChargePolicy.h>

#include <Log/Logger.h>

#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velkora {

// The daemon's only persistence: the user's charge policy in "policy.json",
// always stored normalised, so that the rules outlive the daemon while the
// application is not running.
class DaemonStore {
public:
    // Root keeps the file in the system's "/Library/Application Support/Velkora",
    // anyone else under their own home. Creates that folder; a failure to do so
    // is left for the first save to report.
    explicit DaemonStore(uid_t effectiveUserIdentifier = geteuid());

    const std::filesystem::path& directoryURL() const { return directoryURL_; }
    const std::filesystem::path& policyURL() const { return policyURL_; }

    // The stored policy, normalised; the default policy when the file is
    // missing, unreadable or not the JSON of a policy. Never fails. Only a
    // regular file of at most 64 KiB is read, never through a symbolic link;
    // anything else at the file's name is logged with the reason and kept
    // aside under a name with the time (StoredFile::keepAside), so that the
    // next save does not replace it.
    ChargePolicy loadPolicy() const;

    // Replaces the file atomically (temporary file, flushed to disk, renamed
    // over the old one, folder flushed), so that a reader or a daemon killed at
    // any moment finds either the old policy or the new one. Throws
    // EncodingError, or std::system_error saying which step failed; the old
    // file then stays as it was.
    void savePolicy(ChargePolicy policy) const;

private:
    void removeAbandonedTemporaries() const;
    void keepUnusableFileAside(const std::string& problem) const;
    void writeAtomically(const std::vector<std::uint8_t>& bytes) const;

    std::filesystem::path directoryURL_;
    std::filesystem::path policyURL_;
    platform::Logger logger_;
};

}  // namespace velkora
