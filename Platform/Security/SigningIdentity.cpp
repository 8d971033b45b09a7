#include "Security/SigningIdentity.h"

#include "Security/SecurityError.h"

#include <fstream>
#include <sstream>

namespace platform {

namespace {

constexpr const char* anchorCommonName = "Velkora Development Root";
constexpr const char* leafKeyFile = "identity.key";
constexpr const char* leafCertificateFile = "identity.cert";
constexpr const char* anchorKeyFile = "anchor.key";
constexpr const char* anchorCertificateFile = "anchor.cert";

[[noreturn]] void fail(const std::string& what)
{
    throw SecurityError(errSecCSInternalError, what);
}

Certificate readCertificate(const std::filesystem::path& path)
{
    std::ifstream file(path);
    if (!file) {
        fail("cannot read the certificate " + path.string());
    }
    std::stringstream contents;
    contents << file.rdbuf();
    try {
        return Certificate::fromJson(nlohmann::ordered_json::parse(contents.str()));
    } catch (const nlohmann::json::exception& error) {
        fail(path.string() + " is not a certificate: " + error.what());
    } catch (const SecurityError& error) {
        fail(path.string() + ": " + error.what());
    }
}

void writeCertificate(const std::filesystem::path& path, const Certificate& certificate)
{
    std::ofstream file(path, std::ios::trunc);
    file << certificate.toJson().dump(2) << '\n';
    if (!file.flush()) {
        fail("cannot write the certificate " + path.string());
    }
}

}  // namespace

SigningIdentity::SigningIdentity(Ed25519Key leafKey, Certificate leaf, Certificate anchor,
                                 std::optional<Ed25519Key> anchorKey)
    : leafKey_(std::move(leafKey)), leaf_(std::move(leaf)), anchor_(std::move(anchor)), anchorKey_(std::move(anchorKey))
{
}

bool SigningIdentity::isValidTeamIdentifier(std::string_view teamIdentifier)
{
    if (teamIdentifier.size() != 10) {
        return false;
    }
    for (const char character : teamIdentifier) {
        if (!((character >= 'A' && character <= 'Z') || (character >= '0' && character <= '9'))) {
            return false;
        }
    }
    return true;
}

SigningIdentity SigningIdentity::create(const std::filesystem::path& directory, const std::string& teamIdentifier)
{
    const Ed25519Key anchorKey = Ed25519Key::generate();
    const Certificate anchor =
        Certificate::issue(anchorCommonName, "", anchorKey.publicKey(), anchorKey, anchorCommonName);
    return issue(directory, anchorKey, anchor, true, teamIdentifier);
}

SigningIdentity SigningIdentity::createIssuedBy(const std::filesystem::path& directory, const SigningIdentity& issuer,
                                                const std::string& teamIdentifier)
{
    if (!issuer.anchorKey_) {
        fail("the issuing identity does not hold its anchor's key");
    }
    return issue(directory, *issuer.anchorKey_, issuer.anchor_, false, teamIdentifier);
}

SigningIdentity SigningIdentity::issue(const std::filesystem::path& directory, const Ed25519Key& anchorKey,
                                       const Certificate& anchor, bool keepAnchorKey,
                                       const std::string& teamIdentifier)
{
    if (!isValidTeamIdentifier(teamIdentifier)) {
        fail("a team identifier is ten upper-case letters and digits, not \"" + teamIdentifier + "\"");
    }
    Ed25519Key leafKey = Ed25519Key::generate();
    Certificate leaf = Certificate::issue("Velkora Development: " + teamIdentifier, teamIdentifier,
                                          leafKey.publicKey(), anchorKey, anchor.commonName);
    SigningIdentity identity(std::move(leafKey), std::move(leaf), anchor,
                             keepAnchorKey ? std::optional<Ed25519Key>(anchorKey) : std::nullopt);
    identity.write(directory);
    return identity;
}

void SigningIdentity::write(const std::filesystem::path& directory) const
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        fail("cannot create " + directory.string() + ": " + error.message());
    }
    std::filesystem::remove(directory / anchorKeyFile, error);
    if (anchorKey_) {
        anchorKey_->writePrivateKey(directory / anchorKeyFile);
    }
    writeCertificate(directory / anchorCertificateFile, anchor_);
    leafKey_.writePrivateKey(directory / leafKeyFile);
    writeCertificate(directory / leafCertificateFile, leaf_);
}

SigningIdentity SigningIdentity::load(const std::filesystem::path& directory)
{
    Ed25519Key leafKey = Ed25519Key::readPrivateKey(directory / leafKeyFile);
    Certificate leaf = readCertificate(directory / leafCertificateFile);
    Certificate anchor = readCertificate(directory / anchorCertificateFile);
    std::optional<Ed25519Key> anchorKey;
    if (std::filesystem::exists(directory / anchorKeyFile)) {
        anchorKey = Ed25519Key::readPrivateKey(directory / anchorKeyFile);
    }
    if (leafKey.publicKey() != leaf.publicKey) {
        fail("the identity in " + directory.string() + " has a key that does not match its certificate");
    }
    if (!anchor.isSignedBy(anchor.publicKey) || !leaf.isSignedBy(anchor.publicKey)) {
        fail("the identity in " + directory.string() + " is not issued by its anchor");
    }
    if (anchorKey && anchorKey->publicKey() != anchor.publicKey) {
        fail("the anchor key in " + directory.string() + " does not match the anchor certificate");
    }
    if (!isValidTeamIdentifier(leaf.organizationalUnit)) {
        fail("the identity in " + directory.string() + " has no valid team identifier");
    }
    return SigningIdentity(std::move(leafKey), std::move(leaf), std::move(anchor), std::move(anchorKey));
}

SigningIdentity SigningIdentity::loadOrCreate(const std::filesystem::path& directory, const std::string& teamIdentifier)
{
    if (std::filesystem::exists(directory / leafCertificateFile)) {
        SigningIdentity existing = load(directory);
        if (existing.teamIdentifier() == teamIdentifier) {
            return existing;
        }
        if (existing.anchorKey_) {
            return issue(directory, *existing.anchorKey_, existing.anchor_, true, teamIdentifier);
        }
    }
    return create(directory, teamIdentifier);
}

}  // namespace platform
