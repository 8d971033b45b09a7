#pragma once

#include <chrono>
#include <optional>

namespace velkora {

// The user's calendar: Gregorian, in the local time zone as the C library
// knows it (TZ, else the system's zone), read anew at every call.
class LocalCalendar {
public:
    using Date = std::chrono::system_clock::time_point;

    LocalCalendar() = delete;

    struct TimeOfDay {
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    static TimeOfDay timeOfDay(Date date);
    // 1 for Sunday to 7 for Saturday.
    static int weekday(Date date);
    static int dayOfMonth(Date date);
    // The calendar day of `date`, counted in days since 1970-01-01.
    static std::chrono::sys_days day(Date date);

    // `date`'s day at `time`. When the clock skips that time (the change to
    // summer time), the first time that exists after it; when the clock
    // passes it twice, the first. Nothing when the C library cannot place it.
    static std::optional<Date> atTimeOfDay(Date date, TimeOfDay time);
    // `day` at `time`, placed as atTimeOfDay places it.
    static std::optional<Date> at(std::chrono::year_month_day day, TimeOfDay time);
};

}  // namespace velkora
