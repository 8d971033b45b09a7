#include "JSONObjectReader.h"

#include <cmath>
#include <limits>

namespace velkora {

namespace {

std::string article(const nlohmann::json& value)
{
    switch (value.type()) {
    case nlohmann::json::value_t::object:
    case nlohmann::json::value_t::array:
        return std::string("an ") + value.type_name();
    case nlohmann::json::value_t::null:
        return "null";
    default:
        return std::string("a ") + value.type_name();
    }
}

// The widest magnitude, in milliseconds, that a nanosecond time point holds.
constexpr double maximumDateMilliseconds = static_cast<double>(std::numeric_limits<std::int64_t>::max() / 1'000'000);

}  // namespace

DecodingError JSONObjectReader::typeMismatch(const nlohmann::json& value, std::string_view expected)
{
    return DecodingError(DecodingError::Kind::typeMismatch, {},
                         "Expected " + std::string(expected) + " but found " + article(value) + ".");
}

JSONObjectReader::JSONObjectReader(const nlohmann::json& value, std::string_view typeName) : object_(value)
{
    if (!value.is_object()) {
        throw typeMismatch(value, "an object for " + std::string(typeName));
    }
}

const nlohmann::json* JSONObjectReader::find(std::string_view key) const
{
    const auto member = object_.find(key);
    return member == object_.end() ? nullptr : &*member;
}

const nlohmann::json& JSONObjectReader::required(std::string_view key) const
{
    const nlohmann::json* member = find(key);
    if (member == nullptr) {
        throw DecodingError(DecodingError::Kind::keyNotFound, {std::string(key)}, "Required member is missing.");
    }
    if (member->is_null()) {
        throw DecodingError(DecodingError::Kind::valueNotFound, {std::string(key)},
                            "Required member is null.");
    }
    return *member;
}

template <typename Read>
auto JSONObjectReader::read(std::string_view key, Read read) const
{
    const nlohmann::json& member = required(key);
    try {
        return read(member);
    } catch (const DecodingError& error) {
        throw error.prepending(std::string(key));
    }
}

std::int64_t JSONObjectReader::integerValue(const nlohmann::json& value)
{
    if (value.is_number_integer() && !value.is_number_unsigned()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            throw DecodingError(DecodingError::Kind::dataCorrupted, {},
                                "The number " + std::to_string(unsignedValue) +
                                    " does not fit in a signed 64-bit integer.");
        }
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_float()) {
        throw DecodingError(DecodingError::Kind::typeMismatch, {},
                            "Expected an integer but found a number with a fraction or exponent.");
    }
    throw typeMismatch(value, "an integer");
}

std::string_view JSONObjectReader::stringValue(const nlohmann::json& value)
{
    if (!value.is_string()) {
        throw typeMismatch(value, "a string");
    }
    return value.get_ref<const std::string&>();
}

DecodingError JSONObjectReader::invalidRawValue(std::string_view typeName, std::string_view rawValue)
{
    // Quote at most a short prefix, cut at a character boundary, so that a
    // huge value does not end up in logs and replies.
    constexpr std::size_t quotedLength = 40;
    std::string_view quoted = rawValue.substr(0, quotedLength);
    if (quoted.size() < rawValue.size()) {
        while (!quoted.empty() && (static_cast<unsigned char>(rawValue[quoted.size()]) & 0xC0) == 0x80) {
            quoted.remove_suffix(1);
        }
    }
    const std::string ellipsis = quoted.size() < rawValue.size() ? "..." : "";
    return DecodingError(DecodingError::Kind::dataCorrupted, {},
                         "Cannot initialize " + std::string(typeName) + " from invalid string value \"" +
                             std::string(quoted) + ellipsis + "\".");
}

DecodingError JSONObjectReader::invalidRawValue(std::string_view typeName, std::int64_t rawValue)
{
    return DecodingError(DecodingError::Kind::dataCorrupted, {},
                         "Cannot initialize " + std::string(typeName) + " from invalid integer value " +
                             std::to_string(rawValue) + ".");
}

bool JSONObjectReader::boolean(std::string_view key) const
{
    return read(key, [](const nlohmann::json& value) {
        if (!value.is_boolean()) {
            throw typeMismatch(value, "a boolean");
        }
        return value.get<bool>();
    });
}

std::int64_t JSONObjectReader::integer(std::string_view key) const
{
    return read(key, [](const nlohmann::json& value) { return integerValue(value); });
}

double JSONObjectReader::number(std::string_view key) const
{
    return read(key, [](const nlohmann::json& value) {
        if (!value.is_number()) {
            throw typeMismatch(value, "a number");
        }
        const double number = value.get<double>();
        // The parser turns literals beyond the double range into infinities,
        // which no peer could have meant and which could not be written again.
        if (!std::isfinite(number)) {
            throw DecodingError(DecodingError::Kind::dataCorrupted, {}, "The number is out of range.");
        }
        return number;
    });
}

std::string JSONObjectReader::string(std::string_view key) const
{
    return read(key, [](const nlohmann::json& value) { return std::string(stringValue(value)); });
}

std::chrono::system_clock::time_point JSONObjectReader::date(std::string_view key) const
{
    using std::chrono::microseconds;
    using std::chrono::nanoseconds;
    using std::chrono::system_clock;
    return read(key, [](const nlohmann::json& value) {
        if (!value.is_number()) {
            throw typeMismatch(value, "a date in milliseconds since 1970");
        }
        const DecodingError outOfRange(DecodingError::Kind::dataCorrupted, {},
                                       "The date is out of the representable range.");
        if (value.is_number_integer()) {
            const std::int64_t milliseconds = integerValue(value);
            if (milliseconds > static_cast<std::int64_t>(maximumDateMilliseconds) ||
                milliseconds < -static_cast<std::int64_t>(maximumDateMilliseconds)) {
                throw outOfRange;
            }
            return system_clock::time_point(
                std::chrono::duration_cast<system_clock::duration>(nanoseconds(milliseconds * 1'000'000)));
        }
        const double milliseconds = value.get<double>();
        if (!std::isfinite(milliseconds) || std::fabs(milliseconds) >= maximumDateMilliseconds) {
            throw outOfRange;
        }
        // A double carries present-day times to a fraction of a microsecond, so
        // the fraction is kept to the microsecond: a time written and read again
        // is then the same time. The whole milliseconds are taken apart first so
        // that the fraction is not lost to their magnitude.
        const double whole = std::trunc(milliseconds);
        const std::int64_t fraction = std::llround((milliseconds - whole) * 1e3);
        const auto total = std::chrono::milliseconds(static_cast<std::int64_t>(whole)) + microseconds(fraction);
        return system_clock::time_point(std::chrono::duration_cast<system_clock::duration>(total));
    });
}

std::optional<std::int64_t> JSONObjectReader::optionalInteger(std::string_view key) const
{
    const nlohmann::json* member = find(key);
    if (member == nullptr || member->is_null()) {
        return std::nullopt;
    }
    try {
        return integerValue(*member);
    } catch (const DecodingError& error) {
        throw error.prepending(std::string(key));
    }
}

}  // namespace velkora
