#pragma once

#include "Security/Ed25519Key.h"

#include <filesystem>

namespace platform {

// The anchors a simulated Mac trusts: one PEM public key per file under
// "/System/Library/Security/Anchors" of its simulated root, named after the
// key's SHA-256. Code whose signature chains to one of them satisfies
// "anchor apple generic".
class TrustStore {
public:
    // The store of the simulated root this process runs in (SIMMAC_ROOT).
    TrustStore();
    explicit TrustStore(const std::filesystem::path& simulatedRoot);

    const std::filesystem::path& directory() const { return directory_; }

    // Throws SecurityError when the key cannot be written.
    void install(const Ed25519Key::PublicKey& anchor) const;

    bool contains(const Ed25519Key::PublicKey& anchor) const;

private:
    std::filesystem::path fileFor(const Ed25519Key::PublicKey& anchor) const;

    std::filesystem::path directory_;
};

}  // namespace platform
