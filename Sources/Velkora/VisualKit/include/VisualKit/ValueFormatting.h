#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace velkora {

// How measured values read. Numbers have one digit after a point, no
// grouping, whatever the user's locale (the C library's locale is never
// consulted); a value that is not a number or infinite reads "--".

// `value` with one decimal ("12.3", "3.0", "-0.0" for -0.04).
QString oneDecimal(double value);

// A quantity with a direction: "+2.3 W", "-1.3 A"; "--" for zero (of either
// sign).
QString signedValue(double value, const QString& unit);

// A quantity that means something only when positive: "12.0 V"; "--" for
// zero and negative values.
QString measuredValue(double value, const QString& unit);

// A power in watts with its direction: "+7.9 W", "-4.2 W", and "0.0 W" for
// zero.
QString signedPower(double watts);

// A count of minutes: "--" when absent or below 1; under an hour the string
// table's "%lld 分钟" with the minutes; else "%lld 小时 %lld 分钟" with the
// whole hours and the minutes left (0 included), in the application's
// language.
QString formatDuration(std::optional<std::int64_t> minutes);

}  // namespace velkora
