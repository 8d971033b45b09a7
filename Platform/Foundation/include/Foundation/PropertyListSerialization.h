#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// One value of a property list.
struct PropertyList {
    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<std::string, PropertyList, std::less<>>;
    using Data = std::vector<std::uint8_t>;
    using Date = std::chrono::system_clock::time_point;

    std::variant<bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary> value;

    template <typename T>
    const T* get() const
    {
        return std::get_if<T>(&value);
    }
};

// Cocoa's code for bytes that are not a property list.
inline constexpr long NSPropertyListReadCorruptError = 3840;

class PropertyListSerialization {
public:
    // Reads a property list in either format the platform writes (XML or
    // binary). Throws NSError (NSCocoaErrorDomain,
    // NSPropertyListReadCorruptError) when the bytes are not one.
    static PropertyList propertyList(std::span<const std::uint8_t> data);
};

}  // namespace platform
