#pragma once

#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace velkora {

class ContentUnavailableView;
class ScheduleStore;
struct TaskHistoryEntry;

// The record of executed tasks, newest first: per run a green check or a
// red cross, the task's name over the run's message, and the date and time
// of the run; a placeholder while the record is empty. Names and messages
// are the record's own text, shown exactly as stored, never as markup.
// Follows every change of the store. Main thread only.
class TaskHistoryList : public QWidget {
    Q_OBJECT
public:
    static constexpr int placeholderMinimumHeight = 150;

    explicit TaskHistoryList(ScheduleStore& schedules, QWidget* parent = nullptr);

    // The rows as shown, top first.
    const QList<QWidget*>& rows() const { return rows_; }
    ContentUnavailableView* placeholder() const { return placeholder_; }

private:
    void reload();
    QWidget* makeRow(const TaskHistoryEntry& entry);

    ScheduleStore& schedules_;
    QVBoxLayout* layout_;
    ContentUnavailableView* placeholder_;
    QList<QWidget*> rows_;
};

}  // namespace velkora
