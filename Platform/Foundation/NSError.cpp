#include "Foundation/NSError.h"

#include <cstring>
#include <optional>

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

template <typename T>
std::optional<bool> compareAs(const std::any& left, const std::any& right)
{
    const T* a = std::any_cast<T>(&left);
    const T* b = std::any_cast<T>(&right);
    if (a == nullptr || b == nullptr) {
        return std::nullopt;
    }
    return *a == *b;
}

std::optional<bool> compareTexts(const std::any& left, const std::any& right)
{
    const auto* a = std::any_cast<const char*>(&left);
    const auto* b = std::any_cast<const char*>(&right);
    if (a == nullptr || b == nullptr) {
        return std::nullopt;
    }
    return *a == *b || (*a != nullptr && *b != nullptr && std::strcmp(*a, *b) == 0);
}

std::optional<bool> compareErrors(const std::any& left, const std::any& right)
{
    const auto errorOf = [](const std::any& value) -> const NSError* {
        if (const auto* shared = std::any_cast<std::shared_ptr<const NSError>>(&value)) {
            return shared->get();
        }
        if (const auto* shared = std::any_cast<std::shared_ptr<NSError>>(&value)) {
            return shared->get();
        }
        return std::any_cast<NSError>(&value);
    };
    const NSError* a = errorOf(left);
    const NSError* b = errorOf(right);
    if (a == nullptr || b == nullptr) {
        return std::nullopt;
    }
    return *a == *b;
}

bool equalValues(const std::any& left, const std::any& right)
{
    if (&left == &right) {
        return true;
    }
    if (const auto errors = compareErrors(left, right)) {
        return *errors;
    }
    if (left.type() != right.type()) {
        return false;
    }
    using Comparison = std::optional<bool> (*)(const std::any&, const std::any&);
    static constexpr Comparison comparisons[] = {
        compareAs<std::string>, compareTexts,          compareAs<bool>,     compareAs<int>,    compareAs<long>,
        compareAs<long long>,   compareAs<unsigned>,   compareAs<unsigned long>, compareAs<double>,
    };
    for (const Comparison compare : comparisons) {
        if (const auto result = compare(left, right)) {
            return *result;
        }
    }
    return false;
}

}  // namespace

NSError::NSError(std::string domain, long code, UserInfo userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)),
      description_(describe(domain_, code_, userInfo_))
{
}

bool NSError::operator==(const NSError& other) const
{
    if (this == &other) {
        return true;
    }
    if (code_ != other.code_ || domain_ != other.domain_ || userInfo_.size() != other.userInfo_.size()) {
        return false;
    }
    for (auto mine = userInfo_.begin(), theirs = other.userInfo_.begin(); mine != userInfo_.end(); ++mine, ++theirs) {
        if (mine->first != theirs->first || !equalValues(mine->second, theirs->second)) {
            return false;
        }
    }
    return true;
}

NSError NSError::posix(int code, const std::string& what)
{
    return NSError(NSPOSIXErrorDomain, code,
                   {{NSLocalizedDescriptionKey, what + ": " + std::strerror(code)}});
}

}  // namespace platform
