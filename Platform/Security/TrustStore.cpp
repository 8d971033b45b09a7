#include "Security/TrustStore.h"

#include "Bytes.h"
#include "Foundation/SimulatedRoot.h"
#include "Security/SecurityError.h"
#include "Sha256.h"

#include <fstream>
#include <sstream>

namespace platform {

namespace {

constexpr const char* anchorsPath = "System/Library/Security/Anchors";

}  // namespace

TrustStore::TrustStore() : TrustStore(SimulatedRoot::directory()) {}

TrustStore::TrustStore(const std::filesystem::path& simulatedRoot) : directory_(simulatedRoot / anchorsPath) {}

std::filesystem::path TrustStore::fileFor(const Ed25519Key::PublicKey& anchor) const
{
    return directory_ / (toHex(Sha256::of(anchor)) + ".pem");
}

void TrustStore::install(const Ed25519Key::PublicKey& anchor) const
{
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    if (error) {
        throw SecurityError(errSecCSInternalError, "cannot create " + directory_.string() + ": " + error.message());
    }
    const std::filesystem::path target = fileFor(anchor);
    const std::filesystem::path temporary = target.string() + ".tmp";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << Ed25519Key::publicKeyPem(anchor);
        if (!file.flush()) {
            throw SecurityError(errSecCSInternalError, "cannot write " + temporary.string());
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        throw SecurityError(errSecCSInternalError, "cannot install " + target.string() + ": " + error.message());
    }
}

bool TrustStore::contains(const Ed25519Key::PublicKey& anchor) const
{
    // The file name only finds the candidate; its contents decide, so a
    // misnamed file cannot make another key trusted.
    std::ifstream file(fileFor(anchor));
    if (!file) {
        return false;
    }
    std::stringstream contents;
    contents << file.rdbuf();
    const std::optional<Ed25519Key::PublicKey> stored = Ed25519Key::publicKeyFromPem(contents.str());
    return stored && *stored == anchor;
}

}  // namespace platform
