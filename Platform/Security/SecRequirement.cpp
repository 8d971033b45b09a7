#include "Security/SecRequirement.h"

#include "CodeSignature.h"
#include "Security/SecurityError.h"
#include "Security/TrustStore.h"

#include <cctype>

using platform::SecurityError;

namespace {

// Splits requirement text into words, the punctuation "[", "]" and "=", and
// double-quoted strings (kept with their quotes so they cannot pass for words).
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    bool atEnd()
    {
        skipSpace();
        return position_ >= text_.size();
    }

    std::string next()
    {
        skipSpace();
        if (position_ >= text_.size()) {
            fail("the requirement ends too early");
        }
        const char first = text_[position_];
        if (first == '[' || first == ']' || first == '=') {
            return std::string(1, text_[position_++]);
        }
        if (first == '"') {
            const size_t close = text_.find('"', position_ + 1);
            if (close == std::string_view::npos) {
                fail("a quoted string is not closed");
            }
            std::string token(text_.substr(position_, close - position_ + 1));
            position_ = close + 1;
            return token;
        }
        const size_t start = position_;
        while (position_ < text_.size() && isWordCharacter(text_[position_])) {
            ++position_;
        }
        if (start == position_) {
            fail(std::string("unexpected character '") + first + "'");
        }
        return std::string(text_.substr(start, position_ - start));
    }

    void expect(std::string_view wanted)
    {
        const size_t at = (skipSpace(), position_);
        if (next() != wanted) {
            position_ = at;
            fail("expected \"" + std::string(wanted) + "\"");
        }
    }

    std::string quoted()
    {
        const size_t at = (skipSpace(), position_);
        const std::string token = next();
        if (token.size() < 2 || token.front() != '"') {
            position_ = at;
            fail("expected a quoted string");
        }
        return token.substr(1, token.size() - 2);
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw SecurityError(errSecCSReqInvalid,
                            "invalid requirement at offset " + std::to_string(position_) + ": " + what);
    }

private:
    static bool isWordCharacter(char character)
    {
        return std::isalnum(static_cast<unsigned char>(character)) != 0 || character == '.' || character == '_' ||
               character == '-';
    }

    void skipSpace()
    {
        while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_])) != 0) {
            ++position_;
        }
    }

    std::string_view text_;
    size_t position_ = 0;
};

SecRequirement::Clause parseClause(Tokenizer& tokens)
{
    const std::string keyword = tokens.next();
    if (keyword == "anchor") {
        tokens.expect("apple");
        tokens.expect("generic");
        return {SecRequirement::Clause::Kind::trustedAnchor, ""};
    }
    if (keyword == "identifier") {
        return {SecRequirement::Clause::Kind::identifier, tokens.quoted()};
    }
    if (keyword == "certificate") {
        tokens.expect("leaf");
        tokens.expect("[");
        tokens.expect("subject.OU");
        tokens.expect("]");
        tokens.expect("=");
        return {SecRequirement::Clause::Kind::leafOrganizationalUnit, tokens.quoted()};
    }
    tokens.fail("unknown clause \"" + keyword + "\"");
}

OSStatus createRequirement(std::string_view text, SecCSFlags flags, std::string* errors,
                           SecRequirementRef* requirement)
{
    const auto report = [errors](OSStatus status, const std::string& description) {
        if (errors != nullptr) {
            *errors = description;
        }
        return status;
    };
    if (requirement == nullptr) {
        return report(errSecCSObjectRequired, SecCopyErrorMessageString(errSecCSObjectRequired));
    }
    *requirement = nullptr;
    if (flags != kSecCSDefaultFlags) {
        return report(errSecCSInvalidFlags, SecCopyErrorMessageString(errSecCSInvalidFlags));
    }
    try {
        *requirement = std::make_shared<const SecRequirement>(SecRequirement::parse(text));
        return errSecSuccess;
    } catch (const SecurityError& error) {
        return report(error.status(), error.what());
    }
}

}  // namespace

SecRequirement SecRequirement::parse(std::string_view text)
{
    Tokenizer tokens(text);
    if (tokens.atEnd()) {
        tokens.fail("the requirement is empty");
    }
    SecRequirement requirement;
    requirement.clauses_.push_back(parseClause(tokens));
    while (!tokens.atEnd()) {
        tokens.expect("and");
        requirement.clauses_.push_back(parseClause(tokens));
    }
    return requirement;
}

void SecRequirement::check(const platform::CodeSignature& signature, const platform::TrustStore& trust) const
{
    for (const Clause& clause : clauses_) {
        switch (clause.kind) {
        case Clause::Kind::trustedAnchor:
            if (signature.isAdHoc()) {
                throw SecurityError(errSecCSReqFailed, "the code is signed ad hoc, without a certificate chain");
            }
            if (!trust.contains(signature.certificates.back().publicKey)) {
                throw SecurityError(errSecCSReqFailed, "the signature chains to the anchor \"" +
                                                           signature.certificates.back().commonName +
                                                           "\", which is not trusted here");
            }
            break;
        case Clause::Kind::identifier:
            if (signature.identifier != clause.value) {
                throw SecurityError(errSecCSReqFailed, "the code's identifier is \"" + signature.identifier +
                                                           "\", not \"" + clause.value + "\"");
            }
            break;
        case Clause::Kind::leafOrganizationalUnit:
            if (signature.isAdHoc()) {
                throw SecurityError(errSecCSReqFailed, "the code is signed ad hoc and belongs to no team");
            }
            if (signature.certificates.front().organizationalUnit != clause.value) {
                throw SecurityError(errSecCSReqFailed, "the code is signed by team \"" +
                                                           signature.certificates.front().organizationalUnit +
                                                           "\", not \"" + clause.value + "\"");
            }
            break;
        }
    }
}

OSStatus SecRequirementCreateWithString(std::string_view text, SecCSFlags flags, SecRequirementRef* requirement)
{
    return createRequirement(text, flags, nullptr, requirement);
}

OSStatus SecRequirementCreateWithStringAndErrors(std::string_view text, SecCSFlags flags, std::string* errors,
                                                 SecRequirementRef* requirement)
{
    return createRequirement(text, flags, errors, requirement);
}
