#pragma once

#include <VelkoraCore/CodingError.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkora {

// Reads the members of one JSON object by name, strictly: a required member
// must be present, not null and of exactly its JSON type; optional members
// read as absent when missing or null; members not asked for are ignored.
// Failures are DecodingErrors whose path starts at this object.
class JSONObjectReader {
public:
    // Throws a type mismatch unless `value` is an object; `typeName` names
    // what was expected in that message.
    JSONObjectReader(const nlohmann::json& value, std::string_view typeName);

    bool boolean(std::string_view key) const;
    std::int64_t integer(std::string_view key) const;
    double number(std::string_view key) const;
    std::string string(std::string_view key) const;
    // Milliseconds since 1970, fraction kept to the microsecond.
    std::chrono::system_clock::time_point date(std::string_view key) const;
    std::optional<std::int64_t> optionalInteger(std::string_view key) const;

    // A nested value read by its own from_json.
    template <typename T>
    T decode(std::string_view key) const
    {
        return decodeMember<T>(key, required(key));
    }

    template <typename T>
    std::optional<T> decodeIfPresent(std::string_view key) const
    {
        const nlohmann::json* member = find(key);
        if (member == nullptr || member->is_null()) {
            return std::nullopt;
        }
        return decodeMember<T>(key, *member);
    }

    // Checks of a single value, shared with the readers of enumerations.
    static std::int64_t integerValue(const nlohmann::json& value);
    static std::string_view stringValue(const nlohmann::json& value);
    // The error for a value of another JSON type than `expected` describes.
    static DecodingError typeMismatch(const nlohmann::json& value, std::string_view expected);
    // The error for a value that is none of an enumeration's raw values.
    static DecodingError invalidRawValue(std::string_view typeName, std::string_view rawValue);
    static DecodingError invalidRawValue(std::string_view typeName, std::int64_t rawValue);

private:
    template <typename T>
    static T decodeMember(std::string_view key, const nlohmann::json& member)
    {
        try {
            T value{};
            from_json(member, value);
            return value;
        } catch (const DecodingError& error) {
            throw error.prepending(std::string(key));
        }
    }

    const nlohmann::json* find(std::string_view key) const;
    const nlohmann::json& required(std::string_view key) const;
    template <typename Read>
    auto read(std::string_view key, Read read) const;

    const nlohmann::json& object_;
};

}  // namespace velkora
