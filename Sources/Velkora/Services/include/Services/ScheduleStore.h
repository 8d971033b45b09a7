#pragma once

#include "Services/ReferenceDate.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velkora {

// What a scheduled task does; its raw value is the case name.
enum class ScheduleAction { setLimit, topUp, pause, discharge, calibration };

inline constexpr std::array<ScheduleAction, 5> allScheduleActions = {
    ScheduleAction::setLimit, ScheduleAction::topUp, ScheduleAction::pause, ScheduleAction::discharge,
    ScheduleAction::calibration,
};

std::string_view rawValue(ScheduleAction action);
// Exact, case-sensitive match of a raw value.
std::optional<ScheduleAction> scheduleActionFromRawValue(std::string_view rawValue);
// The display title, in the user's language.
QString title(ScheduleAction action);

// Whether and how a scheduled task repeats; its raw value is the case name.
enum class ScheduleRepeat { never, daily, weekdays, weekly, biweekly, monthly };

inline constexpr std::array<ScheduleRepeat, 6> allScheduleRepeats = {
    ScheduleRepeat::never,  ScheduleRepeat::daily,    ScheduleRepeat::weekdays,
    ScheduleRepeat::weekly, ScheduleRepeat::biweekly, ScheduleRepeat::monthly,
};

std::string_view rawValue(ScheduleRepeat repeat);
std::optional<ScheduleRepeat> scheduleRepeatFromRawValue(std::string_view rawValue);
QString title(ScheduleRepeat repeat);

struct ScheduledTask {
    using Date = ReferenceDate::Date;

    QUuid id = QUuid::createUuid();
    ScheduleAction action = ScheduleAction::setLimit;
    int64_t targetPercentage = 80;
    Date date = std::chrono::system_clock::now();
    ScheduleRepeat repeatRule = ScheduleRepeat::never;
    bool enabled = true;
    std::optional<Date> lastRun;

    bool operator==(const ScheduledTask&) const = default;
};

// One run of a scheduled task. Identified by `id`; entries are not compared.
struct TaskHistoryEntry {
    using Date = ReferenceDate::Date;

    QUuid id = QUuid::createUuid();
    QString taskName;
    Date executedAt;
    bool succeeded = false;
    QString message;
};

// The user's scheduled tasks and the log of their runs, kept in
// "~/Library/Application Support/Velkora/schedules.json" (under the simulated
// home). Every assignment of either list rewrites the file atomically; the
// file's history holds the newest 500 entries. A file that cannot be read or
// decoded gives empty lists and stays as it is until the next change. A
// write that fails keeps the lists in memory as they were set and says so
// through saveFailed(). Main thread only.
class ScheduleStore : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<ReferenceDate::Date()>;

    explicit ScheduleStore(QObject* parent = nullptr, Clock clock = {});

    const QList<ScheduledTask>& tasks() const { return tasks_; }
    void setTasks(QList<ScheduledTask> tasks);
    const QList<TaskHistoryEntry>& history() const { return history_; }
    void setHistory(QList<TaskHistoryEntry> history);

    // Appends a task with the default values, due an hour from now.
    void addDefaultTask();
    // Removes every task with `task`'s id; the list is written even when none matched.
    void remove(const ScheduledTask& task);

    // The document the store writes for these lists (exposed for the file-format checks).
    static QByteArray encode(const QList<ScheduledTask>& tasks, const QList<TaskHistoryEntry>& history);

signals:
    // Before every change of either list.
    void objectWillChange();
    void tasksChanged();
    void historyChanged();
    // After a change whose write of the file failed; `reason` is the file
    // system's description of the failure.
    void saveFailed(const QString& reason);

private:
    // Logs why the file at `path` cannot be used and renames it aside.
    static void keepUnusableFileAside(const std::filesystem::path& path, const std::string& problem);
    void save();

    Clock clock_;
    QString filePath_;
    QList<ScheduledTask> tasks_;
    QList<TaskHistoryEntry> history_;
};

}  // namespace velkora
