#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The values the registry and the power-source calls hand out, in place of the
// platform's Boolean, number, string, data, array and dictionary objects. A
// value is immutable and shared: a CFTypeRef keeps it alive, and dropping the
// last reference releases it (no CFRelease).
//
// The type is complete in this header, so code that stands in for the
// registry in its own tests can build values without the library.
//
// Callers check the type the way they would on a Mac, asking for the type they
// want and getting nothing when the value is of another type:
//   CFTypeRef value = IORegistryEntryCreateCFProperty(entry, "IsCharging", kCFAllocatorDefault, 0);
//   const bool* charging = value ? value->get<bool>() : nullptr;   // null for an integer
class CFPropertyValue;
using CFTypeRef = std::shared_ptr<const CFPropertyValue>;

// Allocators are carried for the shape of the calls; only the default exists.
using CFAllocatorRef = const void*;
inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;

enum class CFPropertyType {
    boolean,
    integer,  // signed 64-bit
    text,
    data,
    array,
    dictionary,
};

class CFPropertyValue {
public:
    using Data = std::vector<std::uint8_t>;
    using Array = std::vector<CFTypeRef>;
    using Dictionary = std::map<std::string, CFTypeRef, std::less<>>;

    explicit CFPropertyValue(bool value) : value_(value) {}
    explicit CFPropertyValue(std::int64_t value) : value_(value) {}
    explicit CFPropertyValue(std::string value) : value_(std::move(value)) {}
    explicit CFPropertyValue(Data value) : value_(std::move(value)) {}
    explicit CFPropertyValue(Array value) : value_(std::move(value)) {}
    explicit CFPropertyValue(Dictionary value) : value_(std::move(value)) {}

    CFPropertyType type() const { return static_cast<CFPropertyType>(value_.index()); }

    // The value when it is of type T (bool, std::int64_t, std::string, Data,
    // Array or Dictionary), else null.
    template <typename T>
    const T* get() const
    {
        return std::get_if<T>(&value_);
    }

    // The member `key` of a dictionary; null when this is not a dictionary or
    // has no such member.
    CFTypeRef member(std::string_view key) const
    {
        const Dictionary* dictionary = get<Dictionary>();
        if (dictionary == nullptr) {
            return nullptr;
        }
        const auto found = dictionary->find(key);
        return found == dictionary->end() ? nullptr : found->second;
    }

private:
    std::variant<bool, std::int64_t, std::string, Data, Array, Dictionary> value_;
};
