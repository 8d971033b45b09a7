#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/ScheduleStore.h"

#include <QWidget>

class QComboBox;
class QDateTimeEdit;
class QSpinBox;

namespace velkora {

class VelkoraButton;
class VelkoraSwitch;

// One scheduled task, edited in place: its switch, the action, the target
// (only for the actions that take one), the date and time of its next run,
// the repetition and a delete button. Every change of a control is at once
// a changed task (taskEdited()); the row keeps no edit of its own and shows
// what it is given through setTask().
//
// The date field reads and writes the user's wall-clock time. A time the
// clock skips (the change to summer time) becomes the first time after it
// that exists, and one the clock passes twice the first of the two, so the
// row never stores a date that reads otherwise than the field suggests by
// more than the skipped hour. Main thread only.
class ScheduleTaskRow : public QWidget {
    Q_OBJECT
public:
    ScheduleTaskRow(const ViewEnvironment& environment, const ScheduledTask& task, QWidget* parent = nullptr);

    const ScheduledTask& task() const { return task_; }
    // Shows `task`; sends nothing.
    void setTask(const ScheduledTask& task);

    VelkoraSwitch* enabledSwitch() const { return enabled_; }
    QComboBox* actionPicker() const { return action_; }
    QSpinBox* targetStepper() const { return target_; }
    QDateTimeEdit* datePicker() const { return date_; }
    QComboBox* repeatPicker() const { return repeat_; }
    VelkoraButton* deleteButton() const { return delete_; }
    // Whether the target stepper belongs to the row now (it may still be
    // fading out).
    bool showsTarget() const { return showsTarget_; }

    // Whether `action` takes a target percentage.
    static bool takesTarget(ScheduleAction action);

signals:
    // The task as the user just changed it.
    void taskEdited(const ScheduledTask& task);
    // The delete button was pressed; `task` is the task as shown then.
    void deleteRequested(const ScheduledTask& task);

private:
    void edit(const std::function<void(ScheduledTask&)>& change);
    void showTask();
    void showTarget();
    void takeDate();

    ViewEnvironment environment_;
    ScheduledTask task_;
    VelkoraSwitch* enabled_;
    QComboBox* action_;
    QSpinBox* target_;
    QDateTimeEdit* date_;
    QComboBox* repeat_;
    VelkoraButton* delete_;
    bool showsTarget_ = false;
};

}  // namespace velkora
