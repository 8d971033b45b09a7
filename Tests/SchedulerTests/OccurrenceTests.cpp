#include "LocalTime.h"

#include "Model/AppModel.h"

#include <gtest/gtest.h>

namespace velkora::test {
namespace {

using namespace std::chrono_literals;
using Date = AppClock::Date;

ScheduledTask taskAt(Date date, ScheduleRepeat repeat)
{
    ScheduledTask task;
    task.date = date;
    task.repeatRule = repeat;
    return task;
}

std::optional<Date> occurrence(const ScheduledTask& task, Date now)
{
    return AppModel::scheduledOccurrence(task, now);
}

// 2030-01-07 is a Monday.
class OccurrenceTest : public testing::Test {
protected:
    TimeZone zone{"CET-1"};
};

TEST_F(OccurrenceTest, AOneOffTaskOccursAtItsDateOnceThatHasCome)
{
    const ScheduledTask task = taskAt(localTime(2030, 1, 8, 9, 0), ScheduleRepeat::never);
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 8, 8, 59, 59)), std::nullopt);
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 8, 9, 0)), task.date);
    EXPECT_EQ(occurrence(task, localTime(2030, 3, 1, 12, 0)), task.date);
}

TEST_F(OccurrenceTest, ADailyTaskOccursAtItsTimeOfDayOnceThatHasCome)
{
    // Made with a fraction of a second, as a date picked "now" is.
    const ScheduledTask task = taskAt(localTime(2030, 1, 7, 8, 0) + 250ms, ScheduleRepeat::daily);
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 7, 8, 0)), localTime(2030, 1, 7, 8, 0));
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 9, 7, 59, 59)), std::nullopt);
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 9, 23, 0)), localTime(2030, 1, 9, 8, 0));
}

TEST_F(OccurrenceTest, WeekdaysSkipTheWeekend)
{
    const ScheduledTask task = taskAt(localTime(2030, 1, 7, 7, 30), ScheduleRepeat::weekdays);
    for (int day = 7; day <= 13; ++day) {
        const bool weekend = day == 12 || day == 13;
        EXPECT_EQ(occurrence(task, localTime(2030, 1, day, 7, 45)).has_value(), !weekend) << "January " << day;
    }
}

TEST_F(OccurrenceTest, ARepeatingTaskDoesNotOccurBeforeItsStartDate)
{
    // Made on Monday the 7th for Monday the 14th: not today, although the weekday matches.
    const ScheduledTask weekly = taskAt(localTime(2030, 1, 14, 10, 0), ScheduleRepeat::weekly);
    EXPECT_EQ(occurrence(weekly, localTime(2030, 1, 7, 10, 0, 10)), std::nullopt);
    EXPECT_EQ(occurrence(weekly, localTime(2030, 1, 14, 10, 0, 10)), localTime(2030, 1, 14, 10, 0));
    EXPECT_EQ(occurrence(weekly, localTime(2030, 1, 15, 10, 0, 10)), std::nullopt) << "Tuesday";
    EXPECT_EQ(occurrence(weekly, localTime(2030, 1, 21, 10, 0, 10)), localTime(2030, 1, 21, 10, 0));

    for (const ScheduleRepeat rule : {ScheduleRepeat::daily, ScheduleRepeat::weekdays, ScheduleRepeat::monthly}) {
        const ScheduledTask task = taskAt(localTime(2030, 2, 7, 10, 0), rule);
        EXPECT_EQ(occurrence(task, localTime(2030, 1, 7, 11, 0)), std::nullopt) << rawValue(rule);
        EXPECT_EQ(occurrence(task, localTime(2030, 2, 7, 11, 0)), localTime(2030, 2, 7, 10, 0)) << rawValue(rule);
    }
}

TEST_F(OccurrenceTest, ABiweeklyTaskOccursEveryOtherWeekFromItsStart)
{
    const ScheduledTask task = taskAt(localTime(2030, 1, 9, 18, 0), ScheduleRepeat::biweekly);
    EXPECT_EQ(occurrence(task, localTime(2030, 1, 2, 18, 30)), std::nullopt) << "a week before the start";
    EXPECT_TRUE(occurrence(task, localTime(2030, 1, 9, 18, 30))) << "week 0";
    EXPECT_FALSE(occurrence(task, localTime(2030, 1, 16, 18, 30))) << "week 1";
    EXPECT_TRUE(occurrence(task, localTime(2030, 1, 23, 18, 30))) << "week 2";
    EXPECT_FALSE(occurrence(task, localTime(2030, 1, 30, 18, 30))) << "week 3";
    EXPECT_TRUE(occurrence(task, localTime(2030, 2, 6, 18, 30))) << "week 4";
    EXPECT_FALSE(occurrence(task, localTime(2030, 2, 7, 18, 30))) << "a Thursday";
}

TEST_F(OccurrenceTest, AMonthlyTaskOnThe31stRunsOnlyInMonthsThatHaveOne)
{
    const ScheduledTask task = taskAt(localTime(2030, 1, 31, 6, 0), ScheduleRepeat::monthly);
    EXPECT_TRUE(occurrence(task, localTime(2030, 1, 31, 6, 0)));
    for (int day = 1; day <= 28; ++day) {
        EXPECT_FALSE(occurrence(task, localTime(2030, 2, day, 12, 0))) << "February " << day;
    }
    EXPECT_TRUE(occurrence(task, localTime(2030, 3, 31, 6, 0)));
    EXPECT_FALSE(occurrence(task, localTime(2030, 4, 30, 6, 0)));
}

TEST(OccurrenceAcrossClockChangesTest, ASkippedTimeRunsAtTheNextExistingTimeAndARepeatedOneAtItsFirst)
{
    // Central European time: 02:00 becomes 03:00 on 2030-03-31, 03:00 becomes 02:00 on 2030-10-27.
    const TimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const ScheduledTask task = taskAt(localTime(2030, 3, 1, 2, 30), ScheduleRepeat::daily);
    EXPECT_EQ(occurrence(task, utcTime(2030, 3, 31, 6, 0)), utcTime(2030, 3, 31, 1, 0)) << "03:00 summer time";
    EXPECT_EQ(occurrence(task, utcTime(2030, 10, 27, 6, 0)), utcTime(2030, 10, 27, 0, 30)) << "02:30 summer time";
    EXPECT_EQ(occurrence(task, utcTime(2030, 10, 27, 0, 45)), utcTime(2030, 10, 27, 0, 30));
    EXPECT_EQ(occurrence(task, utcTime(2030, 10, 27, 0, 15)), std::nullopt) << "before the first 02:30";
    EXPECT_EQ(occurrence(task, utcTime(2030, 7, 1, 6, 0)), utcTime(2030, 7, 1, 0, 30));
}

}  // namespace
}  // namespace velkora::test
