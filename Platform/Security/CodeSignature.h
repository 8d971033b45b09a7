#pragma once

#include "Bytes.h"
#include "Security/Certificate.h"
#include "Sha256.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class SigningIdentity;

// What a signature says about its code: the digests of the code (and, for a
// bundle, of every other file in it), the identifier and team, and, unless
// it is ad hoc, the certificate chain and the team key's signature over all
// of it. Kept as JSON, appended to an executable or in a bundle's
// "Contents/_CodeSignature/CodeResources".
struct CodeSignature {
    enum class Format { executable, bundle };

    Format format = Format::executable;
    std::string identifier;
    std::optional<std::string> teamIdentifier;
    // Bundle only: the main executable's path relative to the bundle.
    std::string mainExecutable;
    Sha256::Digest codeDigest{};
    // Bundle only: every other file, by path relative to the bundle, with its
    // hex digest, or "symlink:" and the target for a symbolic link.
    std::map<std::string, std::string> resources;
    // Leaf first, then its anchor; empty for an ad-hoc signature.
    std::vector<Certificate> certificates;
    std::optional<Ed25519Key::Signature> signature;

    bool isAdHoc() const { return !signature.has_value(); }

    // Adds the team, the chain and the signature of `identity`.
    void signWith(const SigningIdentity& identity);

    // Throws SecurityError (errSecCSSignatureFailed) unless the record is
    // consistent: an ad-hoc record names no team; a signed one carries a
    // chain whose anchor signed itself and the leaf, a leaf for the named
    // team, and a valid signature by the leaf's key. Whether the anchor is
    // trusted is a question for requirements, not for validity.
    void verifyIntegrity() const;

    std::string serialize() const;

    // Throws SecurityError (errSecCSSignatureFailed) for anything but a record.
    static CodeSignature parse(std::string_view text);

private:
    Bytes signedBytes() const;
};

}  // namespace platform
