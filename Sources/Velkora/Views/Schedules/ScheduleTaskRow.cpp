#include "Schedules/ScheduleTaskRow.h"

#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/LocalCalendar.h"
#include "Services/AppLanguage.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

namespace velkora {

namespace {

using namespace std::chrono;

// The pickers' widths, wider only where a title of the language needs it.
constexpr int actionPickerWidth = 150;
constexpr int targetStepperWidth = 105;
constexpr int repeatPickerWidth = 110;
constexpr int lowestTarget = 20;
constexpr int highestTarget = 100;

// The field holds the wall-clock reading itself: kept in UTC, Qt applies no
// time zone of its own, so a reading in a skipped or repeated hour reaches
// LocalCalendar as the user set it.
QDateTime wallClock(ScheduledTask::Date date)
{
    const year_month_day day(LocalCalendar::day(date));
    const LocalCalendar::TimeOfDay time = LocalCalendar::timeOfDay(date);
    return QDateTime(QDate(static_cast<int>(day.year()), static_cast<int>(static_cast<unsigned>(day.month())),
                           static_cast<int>(static_cast<unsigned>(day.day()))),
                     QTime(time.hour, time.minute, time.second), Qt::UTC);
}

std::optional<ScheduledTask::Date> dateOf(const QDateTime& reading)
{
    const QDate date = reading.date();
    const QTime time = reading.time();
    return LocalCalendar::at(year_month_day(year(date.year()), month(static_cast<unsigned>(date.month())),
                                            day(static_cast<unsigned>(date.day()))),
                             {time.hour(), time.minute(), time.second()});
}

// The locale's short date with four-digit years, and its short time.
QString dateTimeFormat(const QLocale& locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QStringLiteral("yyyy"))) {
        date.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    }
    return date + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat);
}

}  // namespace

ScheduleTaskRow::ScheduleTaskRow(const ViewEnvironment& environment, const ScheduledTask& task, QWidget* parent)
    : QWidget(parent), environment_(environment), task_(task)
{
    setObjectName(QStringLiteral("schedule-task-row"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(12);

    enabled_ = new VelkoraSwitch(environment_, this);
    enabled_->setObjectName(QStringLiteral("task-enabled"));
    connect(enabled_, &VelkoraSwitch::toggled, this,
            [this](bool on) { edit([on](ScheduledTask& edited) { edited.enabled = on; }); });
    layout->addWidget(enabled_);

    action_ = new QComboBox(this);
    action_->setObjectName(QStringLiteral("task-action"));
    action_->setMinimumWidth(actionPickerWidth);
    action_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const ScheduleAction action : allScheduleActions) {
        action_->addItem(title(action), QString::fromLatin1(rawValue(action).data()));
    }
    connect(action_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        const ScheduleAction chosen = allScheduleActions[static_cast<size_t>(index)];
        edit([chosen](ScheduledTask& edited) { edited.action = chosen; });
        showTarget();
    });
    layout->addWidget(action_);

    target_ = new QSpinBox(this);
    target_->setObjectName(QStringLiteral("task-target"));
    target_->setFixedWidth(targetStepperWidth);
    target_->setRange(lowestTarget, highestTarget);
    target_->setSingleStep(1);
    target_->setSuffix(QStringLiteral("%"));
    connect(target_, &QSpinBox::valueChanged, this,
            [this](int value) { edit([value](ScheduledTask& edited) { edited.targetPercentage = value; }); });
    layout->addWidget(target_);

    date_ = new QDateTimeEdit(this);
    date_->setObjectName(QStringLiteral("task-date"));
    date_->setTimeSpec(Qt::UTC);
    date_->setLocale(AppLanguage::locale());
    date_->setDisplayFormat(dateTimeFormat(AppLanguage::locale()));
    connect(date_, &QDateTimeEdit::dateTimeChanged, this, &ScheduleTaskRow::takeDate);
    layout->addWidget(date_);

    repeat_ = new QComboBox(this);
    repeat_->setObjectName(QStringLiteral("task-repeat"));
    repeat_->setMinimumWidth(repeatPickerWidth);
    repeat_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (const ScheduleRepeat repeat : allScheduleRepeats) {
        repeat_->addItem(title(repeat), QString::fromLatin1(rawValue(repeat).data()));
    }
    connect(repeat_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            const ScheduleRepeat chosen = allScheduleRepeats[static_cast<size_t>(index)];
            edit([chosen](ScheduledTask& edited) { edited.repeatRule = chosen; });
        }
    });
    layout->addWidget(repeat_);

    layout->addStretch(1);

    delete_ = new VelkoraButton(QStringLiteral("trash"), QString(), VelkoraButton::Style::plain, this);
    delete_->setObjectName(QStringLiteral("task-delete"));
    delete_->setTint(VelkoraTheme::systemRed());
    delete_->setAccessibleName(localized(QStringLiteral("删除")));
    connect(delete_, &VelkoraButton::clicked, this, [this] { emit deleteRequested(task_); });
    layout->addWidget(delete_);

    showTask();
    showsTarget_ = takesTarget(task_.action);
    target_->setVisible(showsTarget_);
}

bool ScheduleTaskRow::takesTarget(ScheduleAction action)
{
    return action == ScheduleAction::setLimit || action == ScheduleAction::discharge;
}

void ScheduleTaskRow::setTask(const ScheduledTask& task)
{
    if (task == task_) {
        return;
    }
    task_ = task;
    showTask();
    showTarget();
}

void ScheduleTaskRow::edit(const std::function<void(ScheduledTask&)>& change)
{
    ScheduledTask edited = task_;
    change(edited);
    if (edited == task_) {
        return;
    }
    task_ = edited;
    emit taskEdited(task_);
}

void ScheduleTaskRow::showTask()
{
    {
        const QSignalBlocker quiet(enabled_);
        enabled_->setChecked(task_.enabled);
    }
    {
        const QSignalBlocker quiet(action_);
        action_->setCurrentIndex(action_->findData(QString::fromLatin1(rawValue(task_.action).data())));
    }
    {
        const QSignalBlocker quiet(target_);
        target_->setValue(static_cast<int>(std::clamp<int64_t>(task_.targetPercentage, lowestTarget, highestTarget)));
    }
    // Set again only when it reads otherwise: setting the field moves its
    // cursor, which would get in the way of the user's typing.
    if (const QDateTime reading = wallClock(task_.date); date_->dateTime() != reading) {
        const QSignalBlocker quiet(date_);
        date_->setDateTime(reading);
    }
    {
        const QSignalBlocker quiet(repeat_);
        repeat_->setCurrentIndex(repeat_->findData(QString::fromLatin1(rawValue(task_.repeatRule).data())));
    }
}

void ScheduleTaskRow::showTarget()
{
    const bool shows = takesTarget(task_.action);
    if (shows == showsTarget_) {
        return;
    }
    showsTarget_ = shows;
    VelkoraMotion::present(target_, shows,
                           VelkoraMotion::conditionalTransition(environment_.reducesMotion(), Qt::LeftEdge),
                           VelkoraMotion::panel());
}

void ScheduleTaskRow::takeDate()
{
    const std::optional<ScheduledTask::Date> date = dateOf(date_->dateTime());
    if (!date) {
        showTask();
        return;
    }
    edit([&](ScheduledTask& edited) { edited.date = *date; });
    // A reading the clock skips is stored as the next one that exists: show that.
    showTask();
}

}  // namespace velkora
