#include "Schedules/ScheduleView.h"

#include "Schedules/ScheduleTaskList.h"
#include "Schedules/TaskHistoryList.h"

#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

PageFrame::Metrics pageMetrics()
{
    PageFrame::Metrics metrics;
    metrics.padding = QMargins(30, 50, 30, 30);
    return metrics;
}

}  // namespace

ScheduleView::ScheduleView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(pageMetrics(), parent), environment_(environment)
{
    setObjectName(QStringLiteral("schedules"));
    ScheduleStore& schedules = environment_.model->schedules();

    addSection(new PageTitle(QStringLiteral("checklist"), QStringLiteral("任务"), this));
    auto* tasksPanel = new VelkoraPanel(environment_, this);
    tasks_ = new ScheduleTaskList(environment_, schedules, tasksPanel);
    tasksPanel->contentLayout()->addWidget(tasks_);
    addSection(tasksPanel);
    addSection(makeActionBar());

    addSection(new PageTitle(QStringLiteral("rectangle.and.pencil.and.ellipsis"), QStringLiteral("任务历史"), this));
    auto* historyPanel = new VelkoraPanel(environment_, this);
    history_ = new TaskHistoryList(schedules, historyPanel);
    historyPanel->contentLayout()->addWidget(history_);
    addSection(historyPanel);

    clearHistory_ = new VelkoraButton(QStringLiteral("trash"), localized(QStringLiteral("清除所有任务历史记录")),
                                      VelkoraButton::Style::destructive, this);
    clearHistory_->setObjectName(QStringLiteral("clear-history"));
    connect(clearHistory_, &VelkoraButton::clicked, this, [&schedules] { schedules.setHistory({}); });
    addSection(clearHistory_);
}

QWidget* ScheduleView::makeActionBar()
{
    ScheduleStore& schedules = environment_.model->schedules();
    auto* bar = new QWidget(this);
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);

    add_ = new VelkoraButton(QStringLiteral("plus"), localized(QStringLiteral("添加任务")),
                             VelkoraButton::Style::prominent, bar);
    add_->setObjectName(QStringLiteral("add-task"));
    connect(add_, &VelkoraButton::clicked, this, [&schedules] { schedules.addDefaultTask(); });
    layout->addWidget(add_);

    clearTasks_ = new VelkoraButton(QStringLiteral("trash"), localized(QStringLiteral("全部清除")),
                                    VelkoraButton::Style::destructive, bar);
    clearTasks_->setObjectName(QStringLiteral("clear-tasks"));
    connect(clearTasks_, &VelkoraButton::clicked, this, [&schedules] { schedules.setTasks({}); });
    layout->addWidget(clearTasks_);

    layout->addStretch(1);

    const QString runMissedTitle = localized(QStringLiteral("在下次可能时执行任务"));
    layout->addWidget(new VelkoraLabel(runMissedTitle, VelkoraFont::body(), ForegroundStyle::primary, bar));
    runMissed_ = new VelkoraSwitch(environment_, bar);
    runMissed_->setObjectName(QStringLiteral("run-missed-tasks"));
    runMissed_->setAccessibleName(runMissedTitle);
    AppSettings* settings = environment_.settings;
    runMissed_->setChecked(settings->runMissedTasks());
    connect(runMissed_, &VelkoraSwitch::toggled, settings, &AppSettings::setRunMissedTasks);
    connect(settings, &AppSettings::runMissedTasksChanged, runMissed_, [this](bool value) {
        const QSignalBlocker quiet(runMissed_);
        runMissed_->setChecked(value);
    });
    layout->addWidget(runMissed_);
    return bar;
}

}  // namespace velkora
