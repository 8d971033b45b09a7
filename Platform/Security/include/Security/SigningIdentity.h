#pragma once

#include "Security/Certificate.h"
#include "Security/Ed25519Key.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// A team's signing identity, kept in one folder: the team key with its
// certificate ("identity.key", "identity.cert"), the anchor's certificate
// ("anchor.cert") and, for an identity that also owns its anchor, the
// anchor's key ("anchor.key"), which can issue further team identities.
// Failures throw SecurityError.
class SigningIdentity {
public:
    // Ten upper-case letters and digits.
    static bool isValidTeamIdentifier(std::string_view teamIdentifier);

    // A new anchor and a team identity issued by it, written to `directory`.
    static SigningIdentity create(const std::filesystem::path& directory, const std::string& teamIdentifier);

    // A new team identity issued by `issuer`'s anchor, which must own its anchor key.
    static SigningIdentity createIssuedBy(const std::filesystem::path& directory, const SigningIdentity& issuer,
                                          const std::string& teamIdentifier);

    static SigningIdentity load(const std::filesystem::path& directory);

    // Keeps the identity in `directory` when it is for `teamIdentifier`. Else
    // issues one for that team from the anchor already there (so that trust
    // stores holding the anchor stay valid), or creates anchor and identity.
    static SigningIdentity loadOrCreate(const std::filesystem::path& directory, const std::string& teamIdentifier);

    const std::string& teamIdentifier() const { return leaf_.organizationalUnit; }
    const Certificate& leafCertificate() const { return leaf_; }
    const Certificate& anchorCertificate() const { return anchor_; }

    Ed25519Key::Signature sign(std::span<const std::uint8_t> message) const { return leafKey_.sign(message); }

private:
    SigningIdentity(Ed25519Key leafKey, Certificate leaf, Certificate anchor, std::optional<Ed25519Key> anchorKey);

    static SigningIdentity issue(const std::filesystem::path& directory, const Ed25519Key& anchorKey,
                                 const Certificate& anchor, bool keepAnchorKey, const std::string& teamIdentifier);
    void write(const std::filesystem::path& directory) const;

    Ed25519Key leafKey_;
    Certificate leaf_;
    Certificate anchor_;
    std::optional<Ed25519Key> anchorKey_;
};

}  // namespace platform
