#include "Security/Certificate.h"

#include "Bytes.h"
#include "Security/SecurityError.h"
#include "SignedMessage.h"

#include <algorithm>

namespace platform {

namespace {

[[noreturn]] void malformed(const std::string& why)
{
    throw SecurityError(errSecCSSignatureFailed, "malformed certificate: " + why);
}

template <size_t Size>
std::array<std::uint8_t, Size> fixedBytes(const nlohmann::ordered_json& value, const char* key)
{
    const auto field = value.find(key);
    if (field == value.end() || !field->is_string()) {
        malformed(std::string("no \"") + key + "\"");
    }
    const std::optional<Bytes> bytes = fromHex(field->get<std::string>());
    if (!bytes || bytes->size() != Size) {
        malformed(std::string("\"") + key + "\" is not " + std::to_string(Size) + " bytes of hex");
    }
    std::array<std::uint8_t, Size> result{};
    std::copy(bytes->begin(), bytes->end(), result.begin());
    return result;
}

std::string text(const nlohmann::ordered_json& value, const char* object, const char* key)
{
    const auto outer = value.find(object);
    if (outer == value.end() || !outer->is_object()) {
        malformed(std::string("no \"") + object + "\"");
    }
    const auto field = outer->find(key);
    if (field == outer->end() || !field->is_string()) {
        malformed(std::string("no \"") + object + "." + key + "\"");
    }
    return field->get<std::string>();
}

}  // namespace

Certificate Certificate::issue(std::string commonName, std::string organizationalUnit,
                               const Ed25519Key::PublicKey& subjectKey, const Ed25519Key& issuerKey,
                               std::string issuerCommonName)
{
    Certificate certificate;
    certificate.commonName = std::move(commonName);
    certificate.organizationalUnit = std::move(organizationalUnit);
    certificate.publicKey = subjectKey;
    certificate.issuerCommonName = std::move(issuerCommonName);
    certificate.signature = issuerKey.sign(certificate.signedBytes());
    return certificate;
}

bool Certificate::isSignedBy(const Ed25519Key::PublicKey& issuerKey) const
{
    return Ed25519Key::verify(issuerKey, signedBytes(), signature);
}

std::vector<std::uint8_t> Certificate::signedBytes() const
{
    return SignedMessage("velkora certificate 1")
        .add(commonName)
        .add(organizationalUnit)
        .add(publicKey)
        .add(issuerCommonName)
        .bytes();
}

nlohmann::ordered_json Certificate::toJson() const
{
    return {
        {"subject", {{"CN", commonName}, {"OU", organizationalUnit}}},
        {"publicKey", toHex(publicKey)},
        {"issuer", {{"CN", issuerCommonName}}},
        {"signature", toHex(signature)},
    };
}

Certificate Certificate::fromJson(const nlohmann::ordered_json& value)
{
    if (!value.is_object()) {
        malformed("not an object");
    }
    Certificate certificate;
    certificate.commonName = text(value, "subject", "CN");
    certificate.organizationalUnit = text(value, "subject", "OU");
    certificate.publicKey = fixedBytes<32>(value, "publicKey");
    certificate.issuerCommonName = text(value, "issuer", "CN");
    certificate.signature = fixedBytes<64>(value, "signature");
    return certificate;
}

}  // namespace platform
