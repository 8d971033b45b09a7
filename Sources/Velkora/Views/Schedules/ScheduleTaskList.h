#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace velkora {

class ContentUnavailableView;
class Divider;
class ScheduleStore;
class ScheduleTaskRow;
struct ScheduledTask;

// The scheduled tasks of the store, one editable row each in the store's
// order with a divider between rows, or a placeholder while there are none.
// Each edit of a row replaces that task in the store (which writes its file
// at once); a row's delete button removes its task. The list follows every
// change of the store: rows of tasks that stay keep their widgets, so a
// field the user is typing in keeps its focus while the store saves each
// keystroke. Main thread only.
class ScheduleTaskList : public QWidget {
    Q_OBJECT
public:
    static constexpr int placeholderMinimumHeight = 260;

    ScheduleTaskList(const ViewEnvironment& environment, ScheduleStore& schedules, QWidget* parent = nullptr);

    const QList<ScheduleTaskRow*>& rows() const { return rows_; }
    const QList<Divider*>& dividers() const { return dividers_; }
    ContentUnavailableView* placeholder() const { return placeholder_; }

private:
    void reload();
    ScheduleTaskRow* makeRow(const ScheduledTask& task);
    void write(ScheduleTaskRow* row, const ScheduledTask& task);

    ViewEnvironment environment_;
    ScheduleStore& schedules_;
    QVBoxLayout* layout_;
    ContentUnavailableView* placeholder_;
    QList<ScheduleTaskRow*> rows_;
    QList<Divider*> dividers_;
};

}  // namespace velkora
