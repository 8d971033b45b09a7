#include "Schedules/ScheduleTaskList.h"

#include "Schedules/ScheduleTaskRow.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/Divider.h"

#include "Services/AppLanguage.h"
#include "Services/ScheduleStore.h"

#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr qreal taskDividerOpacity = 0.3;

}  // namespace

ScheduleTaskList::ScheduleTaskList(const ViewEnvironment& environment, ScheduleStore& schedules, QWidget* parent)
    : QWidget(parent), environment_(environment), schedules_(schedules)
{
    setObjectName(QStringLiteral("schedule-task-list"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(10);
    placeholder_ = new ContentUnavailableView(
        QStringLiteral("calendar.badge.plus"), QStringLiteral("还没有定时任务"),
        L(QStringLiteral("After you add a task, Tallowmere performs the charging action at the scheduled time."),
          QStringLiteral("添加任务后，Tallowmere 会在指定时间执行充电操作。")),
        this);
    placeholder_->setMinimumHeight(placeholderMinimumHeight);
    layout_->addWidget(placeholder_);
    connect(&schedules_, &ScheduleStore::tasksChanged, this, &ScheduleTaskList::reload);
    reload();
}

void ScheduleTaskList::reload()
{
    const QList<ScheduledTask>& tasks = schedules_.tasks();
    bool sameTasks = tasks.size() == rows_.size();
    for (qsizetype i = 0; sameTasks && i < tasks.size(); ++i) {
        sameTasks = rows_[i]->task().id == tasks[i].id;
    }
    if (sameTasks) {
        for (qsizetype i = 0; i < tasks.size(); ++i) {
            rows_[i]->setTask(tasks[i]);
        }
        return;
    }

    // Tasks came, went or moved: lay the rows out again, keeping the widget
    // of every task that is still there.
    QList<ScheduleTaskRow*> previous = rows_;
    rows_.clear();
    for (Divider* divider : std::as_const(dividers_)) {
        delete divider;
    }
    dividers_.clear();
    for (ScheduleTaskRow* row : std::as_const(previous)) {
        layout_->removeWidget(row);
    }
    for (const ScheduledTask& task : tasks) {
        const auto kept = std::find_if(previous.begin(), previous.end(),
                                       [&](const ScheduleTaskRow* row) { return row->task().id == task.id; });
        ScheduleTaskRow* row = nullptr;
        if (kept != previous.end()) {
            row = *kept;
            previous.erase(kept);
            row->setTask(task);
        } else {
            row = makeRow(task);
        }
        if (!rows_.isEmpty()) {
            auto* divider = new Divider(taskDividerOpacity, Qt::Horizontal, this);
            dividers_.append(divider);
            layout_->addWidget(divider);
        }
        rows_.append(row);
        layout_->addWidget(row);
    }
    for (ScheduleTaskRow* row : std::as_const(previous)) {
        row->deleteLater();
        row->hide();
    }
    placeholder_->setVisible(tasks.isEmpty());
}

ScheduleTaskRow* ScheduleTaskList::makeRow(const ScheduledTask& task)
{
    auto* row = new ScheduleTaskRow(environment_, task, this);
    connect(row, &ScheduleTaskRow::taskEdited, this,
            [this, row](const ScheduledTask& edited) { write(row, edited); });
    connect(row, &ScheduleTaskRow::deleteRequested, this,
            [this](const ScheduledTask& shown) { schedules_.remove(shown); });
    row->show();
    return row;
}

// The row stands at its task's place in the store: replacing by place keeps
// tasks apart that share an identifier in a hand-edited file.
void ScheduleTaskList::write(ScheduleTaskRow* row, const ScheduledTask& task)
{
    const qsizetype index = rows_.indexOf(row);
    QList<ScheduledTask> tasks = schedules_.tasks();
    if (index < 0 || index >= tasks.size() || tasks[index].id != task.id) {
        return;
    }
    tasks[index] = task;
    schedules_.setTasks(std::move(tasks));
}

}  // namespace velkora
