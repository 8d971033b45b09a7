#include "Model/LocalCalendar.h"

#include <ctime>
#include <tuple>

namespace velkora {

namespace {

using Date = LocalCalendar::Date;
using namespace std::chrono;

std::tm local(std::time_t time)
{
    std::tm fields{};
    localtime_r(&time, &fields);
    return fields;
}

std::tm local(Date date)
{
    return local(system_clock::to_time_t(date));
}

// A wall-clock reading that sorts as time goes by, but for the hour the clock repeats.
auto wallClock(const std::tm& fields)
{
    return std::make_tuple(fields.tm_year, fields.tm_mon, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
}

}  // namespace

LocalCalendar::TimeOfDay LocalCalendar::timeOfDay(Date date)
{
    const std::tm fields = local(date);
    return {fields.tm_hour, fields.tm_min, fields.tm_sec};
}

int LocalCalendar::weekday(Date date)
{
    return local(date).tm_wday + 1;
}

int LocalCalendar::dayOfMonth(Date date)
{
    return local(date).tm_mday;
}

sys_days LocalCalendar::day(Date date)
{
    const std::tm fields = local(date);
    return sys_days(year(fields.tm_year + 1900) / month(static_cast<unsigned>(fields.tm_mon + 1)) /
                    std::chrono::day(static_cast<unsigned>(fields.tm_mday)));
}

std::optional<Date> LocalCalendar::atTimeOfDay(Date date, TimeOfDay time)
{
    return at(year_month_day(day(date)), time);
}

std::optional<Date> LocalCalendar::at(year_month_day calendarDay, TimeOfDay time)
{
    if (!calendarDay.ok()) {
        return std::nullopt;
    }
    std::tm wanted{};
    wanted.tm_year = static_cast<int>(calendarDay.year()) - 1900;
    wanted.tm_mon = static_cast<int>(static_cast<unsigned>(calendarDay.month())) - 1;
    wanted.tm_mday = static_cast<int>(static_cast<unsigned>(calendarDay.day()));
    wanted.tm_hour = time.hour;
    wanted.tm_min = time.minute;
    wanted.tm_sec = time.second;
    const auto target = wallClock(wanted);

    // The instants that read as the wanted time, tried as standard and as
    // summer time: two in the repeated hour, none in the skipped one.
    std::optional<std::time_t> first;
    for (const int daylightSaving : {0, 1}) {
        std::tm attempt = wanted;
        attempt.tm_isdst = daylightSaving;
        const std::time_t instant = std::mktime(&attempt);
        if (wallClock(local(instant)) == target && (!first || instant < *first)) {
            first = instant;
        }
    }
    if (first) {
        return system_clock::from_time_t(*first);
    }

    // Skipped: the first instant whose reading lies past the wanted time.
    // Near a change the reading only moves forward, so a search over the
    // hours around it finds the instant the clock jumped at.
    std::tm guess = wanted;
    guess.tm_isdst = -1;
    const std::time_t around = std::mktime(&guess);
    std::time_t before = around - 6 * 3600;
    std::time_t after = around + 6 * 3600;
    if (wallClock(local(before)) >= target || wallClock(local(after)) <= target) {
        return std::nullopt;
    }
    while (after - before > 1) {
        const std::time_t middle = before + (after - before) / 2;
        (wallClock(local(middle)) > target ? after : before) = middle;
    }
    return system_clock::from_time_t(after);
}

}  // namespace velkora
