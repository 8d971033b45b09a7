#pragma once

#include "Security/OSStatus.h"
#include "Security/SecCSFlags.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
struct CodeSignature;
class TrustStore;
}  // namespace platform

// A code requirement in the form the system writes: clauses joined by "and",
// each one of
//   anchor apple generic                     (chained to a trusted anchor)
//   identifier "<text>"                      (the signature's identifier)
//   certificate leaf[subject.OU] = "<text>"  (the leaf certificate's team)
// in any order; every clause must hold.
class SecRequirement {
public:
    struct Clause {
        enum class Kind { trustedAnchor, identifier, leafOrganizationalUnit };
        Kind kind;
        std::string value;

        bool operator==(const Clause&) const = default;
    };

    // Throws platform::SecurityError (errSecCSReqInvalid) saying where the text goes wrong.
    static SecRequirement parse(std::string_view text);

    const std::vector<Clause>& clauses() const { return clauses_; }

    // Throws platform::SecurityError (errSecCSReqFailed) naming the first
    // clause the signature does not meet. The signature must already be valid.
    void check(const platform::CodeSignature& signature, const platform::TrustStore& trust) const;

private:
    std::vector<Clause> clauses_;
};

using SecRequirementRef = std::shared_ptr<const SecRequirement>;

// errSecCSReqInvalid for any other text, errSecCSInvalidFlags, errSecCSObjectRequired.
OSStatus SecRequirementCreateWithString(std::string_view text, SecCSFlags flags, SecRequirementRef* requirement);

// The same, with a sentence about the failure in `errors` (when given).
OSStatus SecRequirementCreateWithStringAndErrors(std::string_view text, SecCSFlags flags, std::string* errors,
                                                 SecRequirementRef* requirement);
