#pragma once

#include "Security/OSStatus.h"
#include "Security/SecCSFlags.h"
#include "Security/SecRequirement.h"
#include "Security/SecStaticCode.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The code-signing calls the system makes: find the code of a path or of a
// running process, and check it against a requirement. Every call returns a
// status (errSecSuccess or a failure) and touches its result only on success.
// A running code object can be passed wherever code at rest is expected.

using SecStaticCodeRef = std::shared_ptr<const SecStaticCode>;
using SecCodeRef = std::shared_ptr<const SecCode>;

// Attributes naming a guest of a host. Only the process identifier is known:
// the guest of no host with a given pid is that process's code.
using SecGuestAttributes = std::map<std::string, std::int64_t>;
inline constexpr char kSecGuestAttributePid[] = "pid";

// What a signature says about its code, for display.
struct SecSigningInformation {
    SecStaticCode::Format format = SecStaticCode::Format::executable;
    // The bundle folder or the executable.
    std::filesystem::path path;
    std::string identifier;
    // Absent for an ad-hoc signature.
    std::optional<std::string> teamIdentifier;
    // Common names from the leaf certificate to the anchor; empty when ad hoc.
    std::vector<std::string> authorities;
};

// errSecCSStaticCodeNotFound, errSecCSBadObjectFormat.
OSStatus SecStaticCodeCreateWithPath(const std::filesystem::path& path, SecCSFlags flags,
                                     SecStaticCodeRef* staticCode);

// The code a process runs, through /proc/<pid>/exe; a process running
// "<X>.app/Contents/MacOS/<name>" is represented by its bundle. `host` must be
// null (errSecCSNotAHost otherwise). errSecCSUnsupportedGuestAttributes
// without a pid or with any other attribute, errSecCSInvalidAttributeValues
// for pid < 1, errSecCSNoSuchCode without such a process.
OSStatus SecCodeCopyGuestWithAttributes(const SecCodeRef& host, const SecGuestAttributes& attributes,
                                        SecCSFlags flags, SecCodeRef* guest);

OSStatus SecCodeCopyPath(const SecStaticCodeRef& code, SecCSFlags flags, std::filesystem::path* path);

// Valid means: signed (errSecCSUnsigned), signature, chain and code digest
// intact (errSecCSSignatureFailed), every other file of a bundle as sealed
// (errSecCSBadResource), and, with a requirement, satisfying it
// (errSecCSReqFailed). For running code also: the process still runs the
// looked-up image, and that image is what was signed; nothing but its signed
// code and the system's libraries is executable in it, unmodified, no tracer
// is attached and the loader was given no variables (errSecCSNoSuchCode,
// errSecCSGuestInvalid). No check reads more than a bounded amount or takes
// longer than a bounded time, and none waits on a file that is no regular
// file (errSecCSBadResource, errSecCSInternalError).
OSStatus SecCodeCheckValidity(const SecCodeRef& code, SecCSFlags flags, const SecRequirementRef& requirement);
OSStatus SecCodeCheckValidityWithErrors(const SecCodeRef& code, SecCSFlags flags,
                                        const SecRequirementRef& requirement, std::string* errors);
OSStatus SecStaticCodeCheckValidity(const SecStaticCodeRef& code, SecCSFlags flags,
                                    const SecRequirementRef& requirement);
OSStatus SecStaticCodeCheckValidityWithErrors(const SecStaticCodeRef& code, SecCSFlags flags,
                                              const SecRequirementRef& requirement, std::string* errors);

// The recorded signature, without checking it; errSecCSUnsigned when there is none.
OSStatus SecCodeCopySigningInformation(const SecStaticCodeRef& code, SecCSFlags flags,
                                       SecSigningInformation* information);
