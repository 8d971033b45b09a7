#include "JSONObjectWriter.h"

#include <cmath>
#include <sstream>

namespace velkora {

namespace {

// Integers up to 2^53 are exact in a double.
constexpr double largestExactInteger = 9007199254740992.0;

}  // namespace

JSONObjectWriter::JSONObjectWriter(nlohmann::ordered_json& object) : object_(object)
{
    object_ = nlohmann::ordered_json::object();
}

void JSONObjectWriter::put(std::string_view key, nlohmann::ordered_json value)
{
    object_.emplace(std::string(key), std::move(value));
}

nlohmann::ordered_json JSONObjectWriter::numberValue(double value)
{
    if (std::trunc(value) == value && std::fabs(value) <= largestExactInteger) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

void JSONObjectWriter::boolean(std::string_view key, bool value)
{
    put(key, value);
}

void JSONObjectWriter::integer(std::string_view key, std::int64_t value)
{
    put(key, value);
}

void JSONObjectWriter::number(std::string_view key, double value)
{
    if (!std::isfinite(value)) {
        std::ostringstream text;
        text << "Unable to encode the number " << value << ": JSON holds only finite numbers.";
        throw EncodingError({std::string(key)}, text.str());
    }
    put(key, numberValue(value));
}

void JSONObjectWriter::string(std::string_view key, const std::string& value)
{
    put(key, value);
}

void JSONObjectWriter::date(std::string_view key, std::chrono::system_clock::time_point value)
{
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(value.time_since_epoch()).count();
    // Whole milliseconds and the fraction apart, so that the fraction is not
    // lost to the magnitude of the whole part before the final rounding.
    const double milliseconds =
        static_cast<double>(nanoseconds / 1'000'000) + static_cast<double>(nanoseconds % 1'000'000) / 1e6;
    put(key, numberValue(milliseconds));
}

void JSONObjectWriter::optionalInteger(std::string_view key, const std::optional<std::int64_t>& value)
{
    if (value) {
        put(key, *value);
    }
}

}  // namespace velkora
