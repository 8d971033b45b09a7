#pragma once

#include <cstdint>
#include <string>

// Result of every code-signing call: zero for success, else a negative code
// naming what failed. The values are the platform's own, so that a status
// shown to a user ("OSStatus -67050") means the same as on a Mac.
using OSStatus = std::int32_t;

inline constexpr OSStatus errSecSuccess = 0;
inline constexpr OSStatus errSecCSInvalidObjectRef = -67071;
inline constexpr OSStatus errSecCSInvalidFlags = -67070;
inline constexpr OSStatus errSecCSObjectRequired = -67069;
inline constexpr OSStatus errSecCSStaticCodeNotFound = -67068;
inline constexpr OSStatus errSecCSUnsupportedGuestAttributes = -67067;
inline constexpr OSStatus errSecCSInvalidAttributeValues = -67066;
inline constexpr OSStatus errSecCSNoSuchCode = -67065;
inline constexpr OSStatus errSecCSGuestInvalid = -67063;
inline constexpr OSStatus errSecCSUnsigned = -67062;
inline constexpr OSStatus errSecCSSignatureFailed = -67061;
inline constexpr OSStatus errSecCSBadResource = -67054;
inline constexpr OSStatus errSecCSReqInvalid = -67052;
inline constexpr OSStatus errSecCSReqFailed = -67050;
inline constexpr OSStatus errSecCSBadObjectFormat = -67049;
inline constexpr OSStatus errSecCSInternalError = -67048;
inline constexpr OSStatus errSecCSNotAHost = -67046;

// A short English sentence for a status, for messages to people.
std::string SecCopyErrorMessageString(OSStatus status);
