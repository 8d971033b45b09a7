#pragma once

#include "Security/Ed25519Key.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace platform {

// Our own small certificate: a subject (common name and organisational unit,
// the latter being the signing team), its public key, and the issuer's
// signature over them. An anchor's certificate is issued by itself.
struct Certificate {
    std::string commonName;
    std::string organizationalUnit;
    Ed25519Key::PublicKey publicKey{};
    std::string issuerCommonName;
    Ed25519Key::Signature signature{};

    static Certificate issue(std::string commonName, std::string organizationalUnit,
                             const Ed25519Key::PublicKey& subjectKey, const Ed25519Key& issuerKey,
                             std::string issuerCommonName);

    bool isSignedBy(const Ed25519Key::PublicKey& issuerKey) const;

    nlohmann::ordered_json toJson() const;

    // Throws SecurityError (errSecCSSignatureFailed) when the value is not a certificate.
    static Certificate fromJson(const nlohmann::ordered_json& value);

    bool operator==(const Certificate&) const = default;

private:
    std::vector<std::uint8_t> signedBytes() const;
};

}  // namespace platform
