#pragma once

#include <any>
#include <exception>
#include <map>
#include <memory>
#include <string>

namespace platform {

inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";

// The platform's error object: a domain, a code and a user-information
// dictionary. Stand-ins throw it where the system framework would hand back an
// error, so callers can look at the domain and code and walk the chain of
// underlying errors (stored under NSUnderlyingErrorKey as
// std::shared_ptr<const NSError>).
class NSError : public std::exception {
public:
    using UserInfo = std::map<std::string, std::any>;

    NSError(std::string domain, long code, UserInfo userInfo = {});

    // An error of NSPOSIXErrorDomain for errno value `code`, described as
    // "<what>: <strerror>".
    static NSError posix(int code, const std::string& what);

    const std::string& domain() const { return domain_; }
    long code() const { return code_; }
    const UserInfo& userInfo() const { return userInfo_; }

    // The text under NSLocalizedDescriptionKey, else a generic sentence that
    // names the domain and the code.
    const std::string& localizedDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    // The platform's error equality: same domain, same code and equal user
    // information. Values in the user information compare by value when they
    // are texts, numbers, Booleans or errors (underlying errors compare the
    // same way, all the way down); a value of any other type is equal only to
    // itself, so an error always equals itself.
    bool operator==(const NSError& other) const;

private:
    std::string domain_;
    long code_;
    UserInfo userInfo_;
    std::string description_;
};

}  // namespace platform
