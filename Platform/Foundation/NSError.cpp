#include "Foundation/NSError.h"

#include <cstring>

namespace platform {

namespace {

std::string describe(const std::string& domain, long code, const NSError::UserInfo& userInfo)
{
    if (const auto found = userInfo.find(NSLocalizedDescriptionKey); found != userInfo.end()) {
        if (const auto* text = std::any_cast<std::string>(&found->second)) {
            return *text;
        }
    }
    return "The operation couldn't be completed. (" + domain + " error " + std::to_string(code) + ".)";
}

}  // namespace

NSError::NSError(std::string domain, long code, UserInfo userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)),
      description_(describe(domain_, code_, userInfo_))
{
}

NSError NSError::posix(int code, const std::string& what)
{
    return NSError(NSPOSIXErrorDomain, code,
                   {{NSLocalizedDescriptionKey, what + ": " + std::strerror(code)}});
}

}  // namespace platform
