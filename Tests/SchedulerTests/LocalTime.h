#pragma once

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

namespace velkora::test {

// Sets the process's time zone (a TZ value) for as long as it lives.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* previous = std::getenv("TZ")) {
            previous_ = previous;
            hadPrevious_ = true;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (hadPrevious_) {
            setenv("TZ", previous_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::string previous_;
    bool hadPrevious_ = false;
};

// A wall-clock time in the current zone (one that exists once).
inline std::chrono::system_clock::time_point localTime(int year, int month, int day, int hour, int minute,
                                                       int second = 0)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&fields));
}

inline std::chrono::system_clock::time_point utcTime(int year, int month, int day, int hour, int minute, int second = 0)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return std::chrono::system_clock::from_time_t(timegm(&fields));
}

}  // namespace velkora::test
