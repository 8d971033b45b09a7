#pragma once

#include <VelkoraCore/CodingError.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkora {

// Writes the members of one JSON object in call order. Floating-point members
// must be finite; a failure is an EncodingError whose path starts at this object.
class JSONObjectWriter {
public:
    // Makes `object` an empty object and writes into it.
    explicit JSONObjectWriter(nlohmann::ordered_json& object);

    void boolean(std::string_view key, bool value);
    void integer(std::string_view key, std::int64_t value);
    void number(std::string_view key, double value);
    void string(std::string_view key, const std::string& value);
    // Milliseconds since 1970, fraction kept.
    void date(std::string_view key, std::chrono::system_clock::time_point value);
    // Left out when absent.
    void optionalInteger(std::string_view key, const std::optional<std::int64_t>& value);

    // A nested value written by its own to_json.
    template <typename T>
    void encode(std::string_view key, const T& value)
    {
        nlohmann::ordered_json member;
        try {
            to_json(member, value);
        } catch (const EncodingError& error) {
            throw error.prepending(std::string(key));
        }
        put(key, std::move(member));
    }

    // Left out when absent.
    template <typename T>
    void encodeIfPresent(std::string_view key, const std::optional<T>& value)
    {
        if (value) {
            encode(key, *value);
        }
    }

    // A double as JSON: whole values within the exact range of a double are
    // written without a fraction ("1000", not "1000.0"), like the platform coder.
    static nlohmann::ordered_json numberValue(double value);

private:
    void put(std::string_view key, nlohmann::ordered_json value);

    nlohmann::ordered_json& object_;
};

}  // namespace velkora
