// The scheduler loop's pass over the user's scheduled tasks.

#include "Model/AppModel.h"

#include "ErrorDescription.h"
#include "Model/LocalCalendar.h"
#include "Services/AppLanguage.h"
#include "Services/ClientError.h"

namespace velkora {

namespace {

using Date = AppClock::Date;

constexpr double commandTimeout = 5.0;

// An occurrence noticed later than this was missed (the Mac slept through
// it, or the application was not running); passes are 30 seconds apart.
constexpr std::chrono::seconds missedAfter{60};

// Whether `task` repeats on `now`'s day at all.
bool repeatsOn(const ScheduledTask& task, Date now)
{
    switch (task.repeatRule) {
    case ScheduleRepeat::never:
    case ScheduleRepeat::daily:
        return true;
    case ScheduleRepeat::weekdays: {
        const int weekday = LocalCalendar::weekday(now);
        return weekday >= 2 && weekday <= 6;
    }
    case ScheduleRepeat::weekly:
        return LocalCalendar::weekday(now) == LocalCalendar::weekday(task.date);
    case ScheduleRepeat::biweekly: {
        if (LocalCalendar::weekday(now) != LocalCalendar::weekday(task.date)) {
            return false;
        }
        const auto days = (LocalCalendar::day(now) - LocalCalendar::day(task.date)).count();
        return days >= 0 && (days / 7) % 2 == 0;
    }
    case ScheduleRepeat::monthly:
        return LocalCalendar::dayOfMonth(now) == LocalCalendar::dayOfMonth(task.date);
    }
    return false;
}

// The task, as it is in the store now, changed by `change` and written back;
// nothing when the user removed it meanwhile.
template <typename Change>
void updateStoredTask(ScheduleStore& store, const QUuid& id, Change change)
{
    QList<ScheduledTask> tasks = store.tasks();
    for (ScheduledTask& stored : tasks) {
        if (stored.id == id) {
            change(stored);
            store.setTasks(std::move(tasks));
            return;
        }
    }
}

}  // namespace

std::optional<Date> AppModel::scheduledOccurrence(const ScheduledTask& task, Date now)
{
    if (task.repeatRule == ScheduleRepeat::never) {
        return task.date <= now ? std::optional<Date>(task.date) : std::nullopt;
    }
    // A repeating task starts on its start date: a weekly task made today for
    // next week does not run today, whatever the weekday.
    if (LocalCalendar::day(now) < LocalCalendar::day(task.date) || !repeatsOn(task, now)) {
        return std::nullopt;
    }
    const std::optional<Date> todaysTime = LocalCalendar::atTimeOfDay(now, LocalCalendar::timeOfDay(task.date));
    if (!todaysTime || *todaysTime > now) {
        return std::nullopt;
    }
    return todaysTime;
}

// Runs every 30 seconds, after the previous pass ended. Each due task runs to
// its end before the next is looked at; the user may edit the list meanwhile,
// so the pass walks a copy and finds each task again by its id to write it.
QCoro::Task<> AppModel::executeDueTasks()
{
    if (!capabilities_.batteryPresent) {
        co_return;
    }
    const Date now = clock_->date();
    const QList<ScheduledTask> tasks = schedules_->tasks();
    for (const ScheduledTask& task : tasks) {
        if (!task.enabled) {
            continue;
        }
        const std::optional<Date> occurrence = scheduledOccurrence(task, now);
        if (!occurrence || (task.lastRun && *task.lastRun >= *occurrence)) {
            continue;
        }
        if (!settings_->runMissedTasks() && now - *occurrence > missedAfter) {
            // A missed one-off task is over; a repeating one waits for its next day.
            if (task.repeatRule == ScheduleRepeat::never) {
                updateStoredTask(*schedules_, task.id, [](ScheduledTask& stored) { stored.enabled = false; });
            }
            continue;
        }

        bool succeeded = false;
        QString message;
        try {
            co_await executeScheduledTask(task);
            succeeded = true;
            message = localized(QStringLiteral("已执行"));
        } catch (const std::exception& error) {
            message = localizedDescription(error);
        }
        if (!succeeded) {
            setLastError(localized(QStringLiteral("计划任务“%@”失败：%@"), title(task.action), message));
        }

        // One-off tasks end with their one run, whether it succeeded or not.
        updateStoredTask(*schedules_, task.id, [&](ScheduledTask& stored) {
            stored.lastRun = now;
            if (stored.repeatRule == ScheduleRepeat::never) {
                stored.enabled = false;
            }
        });
        QList<TaskHistoryEntry> history = schedules_->history();
        history.append(TaskHistoryEntry{QUuid::createUuid(), title(task.action), now, succeeded, message});
        schedules_->setHistory(std::move(history));
    }
}

QCoro::Task<> AppModel::executeScheduledTask(ScheduledTask task)
{
    if (helperStatus_ != HelperStatus::enabled()) {
        throw ClientError::connectionUnavailable();
    }
    if (helperNeedsUpdate_) {
        throw ClientError::remote("后台服务版本较旧，请先更新");
    }
    // The pass holds the model; the client is held for the call as well.
    const std::shared_ptr<DaemonClient> daemon = daemon_;
    switch (task.action) {
    case ScheduleAction::setLimit:
    case ScheduleAction::discharge: {
        ChargePolicy policy = policy_;
        policy.managementEnabled = true;
        policy.chargeLimit = task.targetPercentage;
        policy.automaticDischarge = task.action == ScheduleAction::discharge;
        policy.normalize();
        setSnapshot(co_await daemon->perform(ControlCommand::setPolicy(policy), commandTimeout));
        setPolicy(policy);
        break;
    }
    case ScheduleAction::topUp:
        setSnapshot(co_await daemon->perform(ControlCommand::topUp(), commandTimeout));
        setTopUpActive(telemetry_->snapshot().state == ChargingState::topUp);
        break;
    case ScheduleAction::pause:
        setSnapshot(co_await daemon->perform(ControlCommand::pauseAtCurrentLevel(), commandTimeout));
        co_await adoptHeldPolicy();
        break;
    case ScheduleAction::calibration:
        setSnapshot(co_await daemon->perform(ControlCommand::startCalibration(), commandTimeout));
        setCalibrationActive(telemetry_->snapshot().calibrationPhase != CalibrationPhase::inactive);
        break;
    }
    setLastError(std::nullopt);
}

}  // namespace velkora
