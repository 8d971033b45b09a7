#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct evp_pkey_st;

namespace platform {

// An Ed25519 private key (the anchor's or a team's) and the verification of
// signatures made with one. Failures throw SecurityError.
class Ed25519Key {
public:
    using PublicKey = std::array<std::uint8_t, 32>;
    using Signature = std::array<std::uint8_t, 64>;

    static Ed25519Key generate();

    // PKCS#8 PEM, as written by writePrivateKey.
    static Ed25519Key readPrivateKey(const std::filesystem::path& path);

    // Written readable by the owner only.
    void writePrivateKey(const std::filesystem::path& path) const;

    PublicKey publicKey() const;
    Signature sign(std::span<const std::uint8_t> message) const;

    static bool verify(const PublicKey& key, std::span<const std::uint8_t> message, const Signature& signature);

    // A public key as SubjectPublicKeyInfo PEM, the form kept in trust stores.
    static std::string publicKeyPem(const PublicKey& key);
    static std::optional<PublicKey> publicKeyFromPem(std::string_view pem);

private:
    explicit Ed25519Key(evp_pkey_st* key);

    std::shared_ptr<evp_pkey_st> key_;
};

}  // namespace platform
