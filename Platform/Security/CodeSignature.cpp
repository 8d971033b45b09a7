#include "CodeSignature.h"

#include "Security/SecurityError.h"
#include "Security/SigningIdentity.h"
#include "SignedMessage.h"

#include <algorithm>

namespace platform {

namespace {

[[noreturn]] void malformed(const std::string& why)
{
    throw SecurityError(errSecCSSignatureFailed, "the signature record is malformed: " + why);
}

[[noreturn]] void invalid(const std::string& why)
{
    throw SecurityError(errSecCSSignatureFailed, "the signature is invalid: " + why);
}

const char* formatName(CodeSignature::Format format)
{
    return format == CodeSignature::Format::bundle ? "bundle" : "executable";
}

std::string requiredText(const nlohmann::ordered_json& record, const char* key)
{
    const auto field = record.find(key);
    if (field == record.end() || !field->is_string()) {
        malformed(std::string("no \"") + key + "\"");
    }
    return field->get<std::string>();
}

template <size_t Size>
std::array<std::uint8_t, Size> requiredBytes(const nlohmann::ordered_json& record, const char* key)
{
    const std::optional<Bytes> bytes = fromHex(requiredText(record, key));
    if (!bytes || bytes->size() != Size) {
        malformed(std::string("\"") + key + "\" is not " + std::to_string(Size) + " bytes of hex");
    }
    std::array<std::uint8_t, Size> result{};
    std::copy(bytes->begin(), bytes->end(), result.begin());
    return result;
}

}  // namespace

Bytes CodeSignature::signedBytes() const
{
    SignedMessage message("velkora code signature 1");
    message.add(formatName(format))
        .add(identifier)
        .add(teamIdentifier.value_or(""))
        .add(mainExecutable)
        .add(codeDigest)
        .add(std::to_string(resources.size()));
    for (const auto& [path, seal] : resources) {
        message.add(path).add(seal);
    }
    return message.bytes();
}

void CodeSignature::signWith(const SigningIdentity& identity)
{
    teamIdentifier = identity.teamIdentifier();
    certificates = {identity.leafCertificate(), identity.anchorCertificate()};
    signature = identity.sign(signedBytes());
}

void CodeSignature::verifyIntegrity() const
{
    if (isAdHoc()) {
        if (teamIdentifier || !certificates.empty()) {
            invalid("an unsigned seal claims a team or certificates");
        }
        return;
    }
    if (certificates.size() != 2) {
        invalid("the certificate chain must hold a leaf and its anchor");
    }
    const Certificate& leaf = certificates[0];
    const Certificate& anchor = certificates[1];
    if (!anchor.isSignedBy(anchor.publicKey)) {
        invalid("the anchor certificate is not signed by its own key");
    }
    if (!leaf.isSignedBy(anchor.publicKey)) {
        invalid("the leaf certificate is not issued by the anchor");
    }
    if (!teamIdentifier || *teamIdentifier != leaf.organizationalUnit) {
        invalid("the team identifier does not match the leaf certificate");
    }
    if (!Ed25519Key::verify(leaf.publicKey, signedBytes(), *signature)) {
        invalid("the code directory does not match its signature");
    }
}

std::string CodeSignature::serialize() const
{
    nlohmann::ordered_json record;
    record["format"] = formatName(format);
    record["identifier"] = identifier;
    if (teamIdentifier) {
        record["teamIdentifier"] = *teamIdentifier;
    }
    if (format == Format::bundle) {
        record["mainExecutable"] = mainExecutable;
    }
    record["codeDigest"] = toHex(codeDigest);
    if (format == Format::bundle) {
        record["resources"] = nlohmann::ordered_json::object();
        for (const auto& [path, seal] : resources) {
            record["resources"][path] = seal;
        }
    }
    if (!certificates.empty()) {
        record["certificates"] = nlohmann::ordered_json::array();
        for (const Certificate& certificate : certificates) {
            record["certificates"].push_back(certificate.toJson());
        }
    }
    if (signature) {
        record["signature"] = toHex(*signature);
    }
    return record.dump(2) + "\n";
}

CodeSignature CodeSignature::parse(std::string_view text)
{
    nlohmann::ordered_json record;
    try {
        record = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::json::exception&) {
        malformed("not JSON");
    }
    if (!record.is_object()) {
        malformed("not an object");
    }
    CodeSignature result;
    const std::string format = requiredText(record, "format");
    if (format == "bundle") {
        result.format = Format::bundle;
    } else if (format != "executable") {
        malformed("unknown format \"" + format + "\"");
    }
    result.identifier = requiredText(record, "identifier");
    if (record.contains("teamIdentifier")) {
        result.teamIdentifier = requiredText(record, "teamIdentifier");
    }
    result.codeDigest = requiredBytes<32>(record, "codeDigest");
    if (result.format == Format::bundle) {
        result.mainExecutable = requiredText(record, "mainExecutable");
        const auto resources = record.find("resources");
        if (resources == record.end() || !resources->is_object()) {
            malformed("no \"resources\"");
        }
        for (const auto& [path, seal] : resources->items()) {
            if (!seal.is_string()) {
                malformed("the seal of \"" + path + "\" is not text");
            }
            result.resources.emplace(path, seal.get<std::string>());
        }
    }
    if (const auto chain = record.find("certificates"); chain != record.end()) {
        if (!chain->is_array()) {
            malformed("\"certificates\" is not a list");
        }
        for (const auto& certificate : *chain) {
            result.certificates.push_back(Certificate::fromJson(certificate));
        }
    }
    if (record.contains("signature")) {
        result.signature = requiredBytes<64>(record, "signature");
    }
    return result;
}

}  // namespace platform
