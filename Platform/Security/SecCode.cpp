#include "Security/SecCode.h"

#include "CodeSignature.h"
#include "Security/SecurityError.h"
#include "Security/TrustStore.h"

#include <limits>
#include <new>

using platform::CodeSignature;
using platform::SecurityError;

namespace {

// Runs one call's work and turns what it throws into the call's status,
// with the failure's sentence in `errors` when the caller wants it.
template <typename Work>
OSStatus perform(std::string* errors, Work work)
{
    OSStatus status = errSecSuccess;
    std::string description;
    try {
        work();
        return errSecSuccess;
    } catch (const SecurityError& error) {
        status = error.status();
        description = error.what();
    } catch (const std::filesystem::filesystem_error& error) {
        status = errSecCSInternalError;
        description = error.what();
    } catch (const std::bad_alloc&) {
        status = errSecCSInternalError;
        description = "out of memory";
    }
    if (errors != nullptr) {
        *errors = description;
    }
    return status;
}

void requireDefaultFlags(SecCSFlags flags)
{
    if (flags != kSecCSDefaultFlags) {
        throw SecurityError(errSecCSInvalidFlags, SecCopyErrorMessageString(errSecCSInvalidFlags));
    }
}

template <typename Object>
void requireObject(const Object* object)
{
    if (object == nullptr) {
        throw SecurityError(errSecCSInvalidObjectRef, SecCopyErrorMessageString(errSecCSInvalidObjectRef));
    }
}

template <typename Result>
void requireResultPlace(const Result* result)
{
    if (result == nullptr) {
        throw SecurityError(errSecCSObjectRequired, SecCopyErrorMessageString(errSecCSObjectRequired));
    }
}

void checkStatic(const SecStaticCode& code, const SecRequirementRef& requirement)
{
    const CodeSignature signature = code.validatedSignature();
    if (requirement) {
        requirement->check(signature, platform::TrustStore());
    }
}

}  // namespace

OSStatus SecStaticCodeCreateWithPath(const std::filesystem::path& path, SecCSFlags flags,
                                     SecStaticCodeRef* staticCode)
{
    return perform(nullptr, [&] {
        requireResultPlace(staticCode);
        requireDefaultFlags(flags);
        *staticCode = SecStaticCode::atPath(path);
    });
}

OSStatus SecCodeCopyGuestWithAttributes(const SecCodeRef& host, const SecGuestAttributes& attributes,
                                        SecCSFlags flags, SecCodeRef* guest)
{
    return perform(nullptr, [&] {
        requireResultPlace(guest);
        requireDefaultFlags(flags);
        if (host) {
            throw SecurityError(errSecCSNotAHost, SecCopyErrorMessageString(errSecCSNotAHost));
        }
        const auto pid = attributes.find(kSecGuestAttributePid);
        if (pid == attributes.end() || attributes.size() != 1) {
            throw SecurityError(errSecCSUnsupportedGuestAttributes,
                                SecCopyErrorMessageString(errSecCSUnsupportedGuestAttributes));
        }
        if (pid->second < 1 || pid->second > std::numeric_limits<pid_t>::max()) {
            throw SecurityError(errSecCSInvalidAttributeValues,
                                "process identifier " + std::to_string(pid->second) + " names no process");
        }
        *guest = SecCode::forProcess(static_cast<pid_t>(pid->second));
    });
}

OSStatus SecCodeCopyPath(const SecStaticCodeRef& code, SecCSFlags flags, std::filesystem::path* path)
{
    return perform(nullptr, [&] {
        requireObject(code.get());
        requireResultPlace(path);
        requireDefaultFlags(flags);
        *path = code->path();
    });
}

OSStatus SecCodeCheckValidityWithErrors(const SecCodeRef& code, SecCSFlags flags,
                                        const SecRequirementRef& requirement, std::string* errors)
{
    return perform(errors, [&] {
        requireObject(code.get());
        requireDefaultFlags(flags);
        // The cheap look at the process first: a client that cannot pass it
        // costs no hashing.
        code->checkDynamicValidity();
        checkStatic(*code, requirement);
        // The process checked is still the one looked up, running that code.
        code->checkStillRunning();
    });
}

OSStatus SecCodeCheckValidity(const SecCodeRef& code, SecCSFlags flags, const SecRequirementRef& requirement)
{
    return SecCodeCheckValidityWithErrors(code, flags, requirement, nullptr);
}

OSStatus SecStaticCodeCheckValidityWithErrors(const SecStaticCodeRef& code, SecCSFlags flags,
                                              const SecRequirementRef& requirement, std::string* errors)
{
    return perform(errors, [&] {
        requireObject(code.get());
        requireDefaultFlags(flags);
        checkStatic(*code, requirement);
    });
}

OSStatus SecStaticCodeCheckValidity(const SecStaticCodeRef& code, SecCSFlags flags,
                                    const SecRequirementRef& requirement)
{
    return SecStaticCodeCheckValidityWithErrors(code, flags, requirement, nullptr);
}

OSStatus SecCodeCopySigningInformation(const SecStaticCodeRef& code, SecCSFlags flags,
                                       SecSigningInformation* information)
{
    return perform(nullptr, [&] {
        requireObject(code.get());
        requireResultPlace(information);
        requireDefaultFlags(flags);
        const CodeSignature signature = code->recordedSignature();
        SecSigningInformation result;
        result.format = code->format();
        result.path = code->path();
        result.identifier = signature.identifier;
        result.teamIdentifier = signature.teamIdentifier;
        for (const platform::Certificate& certificate : signature.certificates) {
            result.authorities.push_back(certificate.commonName);
        }
        *information = std::move(result);
    });
}
