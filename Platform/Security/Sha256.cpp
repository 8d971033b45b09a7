#include "Sha256.h"

#include "CheckBudget.h"
#include "CryptoLibrary.h"
#include "FileDescriptor.h"
#include "Security/SecurityError.h"

#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

namespace {

EVP_MD_CTX* newContext()
{
    CryptoLibrary::start();
    return EVP_MD_CTX_new();
}

}  // namespace

Sha256::Sha256() : context_(newContext(), EVP_MD_CTX_free)
{
    if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1) {
        throw SecurityError(errSecCSInternalError, "SHA-256 is not available from the crypto library");
    }
}

Sha256::~Sha256() = default;

void Sha256::update(std::span<const std::uint8_t> bytes)
{
    if (!bytes.empty()) {
        EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size());
    }
}

Sha256::Digest Sha256::finish()
{
    Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_.get(), digest.data(), &length);
    return digest;
}

Sha256::Digest Sha256::of(std::span<const std::uint8_t> bytes)
{
    Sha256 hash;
    hash.update(bytes);
    return hash.finish();
}

Sha256::Digest Sha256::ofDescriptor(int descriptor, std::uint64_t length, const std::filesystem::path& nameForErrors,
                                    CheckBudget* budget)
{
    if (budget != nullptr) {
        budget->spendBytes(length, nameForErrors.string());
    }
    Sha256 hash;
    // Small enough for the allocator to hand it back after each digest: a
    // larger buffer would stay resident in the daemon, which hashes every
    // client's code.
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t offset = 0;
    while (offset < length) {
        const size_t wanted = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), length - offset));
        const ssize_t got = pread(descriptor, buffer.data(), wanted, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw SecurityError(errSecCSInternalError,
                                "cannot read " + nameForErrors.string() + ": " + std::strerror(errno));
        }
        if (got == 0) {
            throw SecurityError(errSecCSInternalError, nameForErrors.string() + " ended before its signed length");
        }
        hash.update(std::span(buffer.data(), static_cast<size_t>(got)));
        offset += static_cast<std::uint64_t>(got);
        if (budget != nullptr) {
            budget->checkTime();
        }
    }
    return hash.finish();
}

Sha256::Digest Sha256::ofFile(const std::filesystem::path& path, CheckBudget* budget, bool followLink)
{
    const FileDescriptor file =
        FileDescriptor::openForReading(path, followLink ? FileDescriptor::Links::follow : FileDescriptor::Links::refuse);
    return ofDescriptor(file.get(), file.size(), path, budget);
}

}  // namespace platform
