#pragma once

#include <chrono>
#include <optional>

namespace velkora {

// The application's own files count dates in seconds, with a fraction, since
// the reference instant 2001-01-01 00:00:00 UTC.
class ReferenceDate {
public:
    using Date = std::chrono::system_clock::time_point;

    static double secondsSinceReferenceDate(Date date);
    // Nothing for a count that is not finite or lies beyond the clock's range
    // (about 290 years either side of 1970).
    static std::optional<Date> dateFromSecondsSinceReferenceDate(double seconds);
};

}  // namespace velkora
