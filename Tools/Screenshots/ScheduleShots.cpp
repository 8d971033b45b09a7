// The schedules page with tasks and a record of runs, and empty; the
// Shortcuts page.

#include "Shots.h"

#include "Schedules/ScheduleView.h"
#include "Shortcuts/ShortcutsView.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

namespace screenshots {

namespace {

using namespace velkora;
using namespace std::chrono_literals;

// Three tasks of different kinds and a few runs, one of them refused.
void fillSchedules(ScheduleStore& schedules, AppClock::Date now)
{
    ScheduledTask evening;
    evening.targetPercentage = 60;
    evening.date = now + 2h;
    evening.repeatRule = ScheduleRepeat::daily;
    ScheduledTask morning;
    morning.action = ScheduleAction::topUp;
    morning.date = now + 14h;
    morning.repeatRule = ScheduleRepeat::weekdays;
    ScheduledTask monthly;
    monthly.action = ScheduleAction::calibration;
    monthly.date = now + 24h * 9;
    monthly.repeatRule = ScheduleRepeat::monthly;
    monthly.enabled = false;
    schedules.setTasks({evening, morning, monthly});

    const QString done = localized(QStringLiteral("已执行"));
    schedules.setHistory({
        TaskHistoryEntry{QUuid::createUuid(), title(ScheduleAction::setLimit), now - 26h, true, done},
        TaskHistoryEntry{QUuid::createUuid(), title(ScheduleAction::topUp), now - 10h, false,
                         localized(QStringLiteral("无法连接充电后台服务"))},
        TaskHistoryEntry{QUuid::createUuid(), title(ScheduleAction::setLimit), now - 2h, true, done},
    });
}

ScreenshotPage page(const QString& family, const QString& name, std::function<QWidget*(const ViewEnvironment&)> make)
{
    ScreenshotPage shot;
    shot.family = family;
    shot.name = name;
    shot.make = std::move(make);
    return shot;
}

}  // namespace

void addScheduleShots(ScreenshotCatalog& catalog)
{
    catalog.add(page("schedules", "tasks", [](const ViewEnvironment& environment) {
        fillSchedules(environment.model->schedules(), environment.model->clock().date());
        return new ScheduleView(environment);
    }));
    catalog.add(page("schedules", "empty", [](const ViewEnvironment& environment) {
        environment.model->schedules().setTasks({});
        environment.model->schedules().setHistory({});
        return new ScheduleView(environment);
    }));
    catalog.add(page("shortcuts", "page", [](const ViewEnvironment& environment) {
        return new ShortcutsView(environment);
    }));
}

}  // namespace screenshots
