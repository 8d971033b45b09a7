#include "Security/Ed25519Key.h"

#include "CryptoLibrary.h"
#include "Security/SecurityError.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace platform {

namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;
using Memory = std::unique_ptr<BIO, decltype(&BIO_free)>;

[[noreturn]] void fail(const std::string& what)
{
    throw SecurityError(errSecCSInternalError, what);
}

}  // namespace

Ed25519Key::Ed25519Key(evp_pkey_st* key) : key_(key, EVP_PKEY_free) {}

Ed25519Key Ed25519Key::generate()
{
    CryptoLibrary::start();
    EVP_PKEY* key = nullptr;
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
        EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
    if (!context || EVP_PKEY_keygen_init(context.get()) != 1 || EVP_PKEY_keygen(context.get(), &key) != 1) {
        fail("cannot generate an Ed25519 key");
    }
    return Ed25519Key(key);
}

Ed25519Key Ed25519Key::readPrivateKey(const std::filesystem::path& path)
{
    CryptoLibrary::start();
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "r"), std::fclose);
    if (!file) {
        fail("cannot open the private key " + path.string());
    }
    EVP_PKEY* key = PEM_read_PrivateKey(file.get(), nullptr, nullptr, nullptr);
    if (key == nullptr) {
        fail(path.string() + " holds no readable private key");
    }
    if (EVP_PKEY_get_id(key) != EVP_PKEY_ED25519) {
        EVP_PKEY_free(key);
        fail(path.string() + " is not an Ed25519 key");
    }
    return Ed25519Key(key);
}

void Ed25519Key::writePrivateKey(const std::filesystem::path& path) const
{
    const mode_t previous = umask(077);
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "w"), std::fclose);
    umask(previous);
    if (!file) {
        fail("cannot write the private key " + path.string());
    }
    if (PEM_write_PrivateKey(file.get(), key_.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        std::fflush(file.get()) != 0) {
        fail("cannot write the private key " + path.string());
    }
}

Ed25519Key::PublicKey Ed25519Key::publicKey() const
{
    PublicKey raw{};
    size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(key_.get(), raw.data(), &length) != 1 || length != raw.size()) {
        fail("cannot read an Ed25519 public key");
    }
    return raw;
}

Ed25519Key::Signature Ed25519Key::sign(std::span<const std::uint8_t> message) const
{
    Context context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    Signature signature{};
    size_t length = signature.size();
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length, message.data(), message.size()) != 1 ||
        length != signature.size()) {
        fail("cannot make an Ed25519 signature");
    }
    return signature;
}

bool Ed25519Key::verify(const PublicKey& key, std::span<const std::uint8_t> message, const Signature& signature)
{
    CryptoLibrary::start();
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()), EVP_PKEY_free);
    Context context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!publicKey || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(context.get(), signature.data(), signature.size(), message.data(), message.size()) == 1;
}

std::string Ed25519Key::publicKeyPem(const PublicKey& key)
{
    CryptoLibrary::start();
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()), EVP_PKEY_free);
    Memory memory(BIO_new(BIO_s_mem()), BIO_free);
    if (!publicKey || !memory || PEM_write_bio_PUBKEY(memory.get(), publicKey.get()) != 1) {
        fail("cannot encode an Ed25519 public key");
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(memory.get(), &data);
    return std::string(data, static_cast<size_t>(length));
}

std::optional<Ed25519Key::PublicKey> Ed25519Key::publicKeyFromPem(std::string_view pem)
{
    CryptoLibrary::start();
    Memory memory(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    if (!memory) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        PEM_read_bio_PUBKEY(memory.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    if (!publicKey || EVP_PKEY_get_id(publicKey.get()) != EVP_PKEY_ED25519) {
        return std::nullopt;
    }
    PublicKey raw{};
    size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(publicKey.get(), raw.data(), &length) != 1 || length != raw.size()) {
        return std::nullopt;
    }
    return raw;
}

}  // namespace platform
