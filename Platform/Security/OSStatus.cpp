#include "Security/OSStatus.h"

std::string SecCopyErrorMessageString(OSStatus status)
{
    switch (status) {
    case errSecSuccess:
        return "no error";
    case errSecCSInvalidObjectRef:
        return "no code object was given";
    case errSecCSInvalidFlags:
        return "the flags are not supported";
    case errSecCSObjectRequired:
        return "no place was given for the result";
    case errSecCSStaticCodeNotFound:
        return "there is no code at that path";
    case errSecCSUnsupportedGuestAttributes:
        return "code can only be looked up by process identifier";
    case errSecCSInvalidAttributeValues:
        return "the process identifier is not valid";
    case errSecCSNoSuchCode:
        return "no such process";
    case errSecCSGuestInvalid:
        return "the process no longer runs the code that was looked up";
    case errSecCSUnsigned:
        return "the code is not signed";
    case errSecCSSignatureFailed:
        return "the code or its signature has been modified";
    case errSecCSBadResource:
        return "a sealed file of the bundle is missing, added or modified";
    case errSecCSReqInvalid:
        return "the requirement is not valid";
    case errSecCSReqFailed:
        return "the code does not satisfy the requirement";
    case errSecCSBadObjectFormat:
        return "not an executable or a bundle";
    case errSecCSInternalError:
        return "the code could not be read";
    case errSecCSNotAHost:
        return "the given code does not host other code";
    default:
        return "unknown code-signing status " + std::to_string(status);
    }
}
