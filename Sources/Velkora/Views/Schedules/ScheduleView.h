#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

namespace velkora {

class ScheduleTaskList;
class TaskHistoryList;
class VelkoraButton;
class VelkoraSwitch;

// The schedules page: the user's scheduled tasks, edited in place, with
// buttons to add a task and to clear them all, the setting that runs a task
// missed while the Mac could not at the next opportunity, and the record of
// executed tasks with its clearing. An editor only: every control writes
// the model's schedule store (which saves at once) or the settings; the
// model's scheduler carries the tasks out and adds to the record, which
// shows here as it happens. Nothing asks for confirmation. Main thread only.
class ScheduleView : public PageFrame {
    Q_OBJECT
public:
    explicit ScheduleView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    ScheduleTaskList* taskList() const { return tasks_; }
    TaskHistoryList* historyList() const { return history_; }
    VelkoraButton* addButton() const { return add_; }
    VelkoraButton* clearTasksButton() const { return clearTasks_; }
    VelkoraSwitch* runMissedSwitch() const { return runMissed_; }
    VelkoraButton* clearHistoryButton() const { return clearHistory_; }

private:
    QWidget* makeActionBar();

    ViewEnvironment environment_;
    ScheduleTaskList* tasks_ = nullptr;
    TaskHistoryList* history_ = nullptr;
    VelkoraButton* add_ = nullptr;
    VelkoraButton* clearTasks_ = nullptr;
    VelkoraSwitch* runMissed_ = nullptr;
    VelkoraButton* clearHistory_ = nullptr;
};

}  // namespace velkora
