#pragma once

#include "Services/HistoryStore.h"
#include "Services/ScheduleStore.h"

// What the probe writes over and over while a test kills it; the file must
// always hold one of these contents whole.
namespace probe {

inline velkora::ReferenceDate::Date at(double secondsSinceReferenceDate)
{
    return *velkora::ReferenceDate::dateFromSecondsSinceReferenceDate(secondsSinceReferenceDate);
}

inline QList<velkora::ScheduledTask> scheduleTasks(int variant)
{
    QList<velkora::ScheduledTask> tasks;
    for (int i = 0; i < (variant == 0 ? 1 : 400); ++i) {
        velkora::ScheduledTask task;
        task.id = QUuid(QStringLiteral("{00000000-0000-4000-8000-%1}").arg(i, 12, 10, QLatin1Char('0')));
        task.targetPercentage = 20 + i % 80;
        task.date = at(1000.0 * i + variant);
        task.repeatRule = variant == 0 ? velkora::ScheduleRepeat::never : velkora::ScheduleRepeat::daily;
        tasks.append(task);
    }
    return tasks;
}

// The history the probe grows: the file starts with the first
// `seededHistoryPoints` points, and every append adds the next one, its clock
// standing at the point's own time.
inline constexpr int seededHistoryPoints = 5000;

inline velkora::HistoryPoint historyPoint(int index)
{
    return velkora::HistoryPoint{at(20.0 * index), double(index % 100), 30.5, 11.25, 4500};
}

inline velkora::BatterySnapshot historySnapshot(int index)
{
    velkora::BatterySnapshot snapshot;
    snapshot.timestamp = at(20.0 * index);
    snapshot.percentage = index % 100;
    snapshot.temperatureCelsius = 30.5;
    snapshot.powerWatts = -11.25;
    snapshot.maxCapacityMAh = 4500;
    return snapshot;
}

}  // namespace probe
