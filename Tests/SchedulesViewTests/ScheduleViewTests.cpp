#include "../SchedulerTests/LocalTime.h"
#include "../WindowViewTests/WindowFixture.h"

#include "Schedules/ScheduleTaskList.h"
#include "Schedules/ScheduleTaskRow.h"
#include "Schedules/ScheduleView.h"
#include "Schedules/TaskHistoryList.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include "Foundation/SimulatedRoot.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QAbstractAnimation>
#include <QSpinBox>

#include <filesystem>

namespace velkora::test {

namespace {

using namespace std::chrono;

std::filesystem::path schedulesFile()
{
    return platform::SimulatedRoot::homeDirectory() / "Library" / "Application Support" / "Velkora" / "schedules.json";
}

// What the file holds now, read by a store of its own.
QList<ScheduledTask> storedTasks()
{
    return ScheduleStore().tasks();
}

TaskHistoryEntry entry(const QString& name, const QString& message, bool succeeded, system_clock::time_point at)
{
    return TaskHistoryEntry{QUuid::createUuid(), name, at, succeeded, message};
}

}  // namespace

class ScheduleViewTest : public WindowFixture {
protected:
    ScheduleView* showPage()
    {
        return show(new ScheduleView(environment()));
    }

    ScheduleTaskRow* row(ScheduleView* page, qsizetype index) { return page->taskList()->rows().at(index); }

    // Presses the button as a user would.
    void press(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
        settle();
    }

    void addTasks(const QList<ScheduledTask>& tasks) { model->schedules().setTasks(tasks); }
};

TEST_F(ScheduleViewTest, AnEmptyPageShowsBothPlaceholdersAndClearingEmptyListsStillWritesThem)
{
    createSettledModel();
    auto* page = showPage();
    ASSERT_TRUE(page->taskList()->placeholder()->isVisible());
    EXPECT_GE(page->taskList()->placeholder()->height(), ScheduleTaskList::placeholderMinimumHeight);
    EXPECT_EQ(page->taskList()->placeholder()->titleLabel()->text(), QStringLiteral("No Scheduled Tasks Yet"));
    ASSERT_NE(page->taskList()->placeholder()->descriptionLabel(), nullptr);
    ASSERT_TRUE(page->historyList()->placeholder()->isVisible());
    EXPECT_GE(page->historyList()->placeholder()->height(), TaskHistoryList::placeholderMinimumHeight);
    EXPECT_TRUE(page->clearHistoryButton()->isVisible());
    EXPECT_TRUE(page->clearHistoryButton()->isEnabled());

    std::filesystem::remove(schedulesFile());
    press(page->clearTasksButton());
    EXPECT_TRUE(std::filesystem::exists(schedulesFile())) << "clearing an empty list writes it";
    std::filesystem::remove(schedulesFile());
    press(page->clearHistoryButton());
    EXPECT_TRUE(std::filesystem::exists(schedulesFile())) << "clearing an empty history writes it";
}

TEST_F(ScheduleViewTest, AddingTasksGivesDefaultTasksAnHourAheadWithADividerBetweenRows)
{
    createSettledModel();
    auto* page = showPage();
    press(page->addButton());
    ASSERT_EQ(page->taskList()->rows().size(), 1);
    EXPECT_TRUE(page->taskList()->dividers().isEmpty());
    EXPECT_FALSE(page->taskList()->placeholder()->isVisible());
    press(page->addButton());
    press(page->addButton());

    const QList<ScheduledTask> stored = storedTasks();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_NE(stored[0].id, stored[1].id);
    for (const ScheduledTask& task : stored) {
        EXPECT_EQ(task.action, ScheduleAction::setLimit);
        EXPECT_EQ(task.targetPercentage, 80);
        EXPECT_EQ(task.repeatRule, ScheduleRepeat::never);
        EXPECT_TRUE(task.enabled);
        // The file keeps seconds as a double: equal to well under a millisecond.
        EXPECT_LT(abs(task.date - (clock->date() + 3600s)), 1ms);
    }
    ASSERT_EQ(page->taskList()->rows().size(), 3);
    EXPECT_EQ(page->taskList()->dividers().size(), 2);
    EXPECT_EQ(row(page, 0)->targetStepper()->text(), QStringLiteral("80%"));
    EXPECT_TRUE(row(page, 0)->enabledSwitch()->isChecked());

    press(page->clearTasksButton());
    EXPECT_TRUE(storedTasks().isEmpty());
    EXPECT_TRUE(page->taskList()->rows().isEmpty());
    EXPECT_TRUE(page->taskList()->placeholder()->isVisible());
}

TEST_F(ScheduleViewTest, EveryChangeOfARowIsWrittenToTheFileAtOnce)
{
    createSettledModel();
    auto* page = showPage();
    press(page->addButton());
    press(page->addButton());
    const QUuid second = model->schedules().tasks()[1].id;
    ScheduleTaskRow* edited = row(page, 1);

    press(edited->enabledSwitch());
    EXPECT_FALSE(storedTasks()[1].enabled);
    EXPECT_TRUE(storedTasks()[0].enabled) << "only the row's own task changes";

    QTest::keyClick(edited->actionPicker(), Qt::Key_Down);
    EXPECT_EQ(storedTasks()[1].action, ScheduleAction::topUp);

    QTest::keyClick(edited->repeatPicker(), Qt::Key_Down);
    QTest::keyClick(edited->repeatPicker(), Qt::Key_Down);
    EXPECT_EQ(storedTasks()[1].repeatRule, ScheduleRepeat::weekdays);

    QTest::keyClick(edited->actionPicker(), Qt::Key_Up);
    ASSERT_TRUE(edited->targetStepper()->isVisibleTo(edited));
    QTest::keyClick(edited->targetStepper(), Qt::Key_Up);
    EXPECT_EQ(storedTasks()[1].targetPercentage, 81);
    QTest::keyClick(edited->targetStepper(), Qt::Key_Up);
    EXPECT_EQ(storedTasks()[1].targetPercentage, 82) << "each click of the stepper is written";

    const system_clock::time_point before = floor<seconds>(storedTasks()[1].date);
    edited->datePicker()->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(edited->datePicker(), Qt::Key_Up);
    EXPECT_EQ(storedTasks()[1].date, before + 24h) << "a day later, to the second shown";

    EXPECT_EQ(row(page, 1), edited) << "the row the user works in stays the same widget";
    EXPECT_EQ(storedTasks()[1].id, second);
}

TEST_F(ScheduleViewTest, TheStepperStopsAt20And100)
{
    createSettledModel();
    ScheduledTask low;
    low.targetPercentage = 21;
    ScheduledTask high;
    high.targetPercentage = 99;
    addTasks({low, high});
    auto* page = showPage();

    for (int click = 0; click < 3; ++click) {
        QTest::keyClick(row(page, 0)->targetStepper(), Qt::Key_Down);
        QTest::keyClick(row(page, 1)->targetStepper(), Qt::Key_Up);
    }
    EXPECT_EQ(storedTasks()[0].targetPercentage, 20);
    EXPECT_EQ(storedTasks()[1].targetPercentage, 100);
    EXPECT_EQ(row(page, 1)->targetStepper()->text(), QStringLiteral("100%"));
}

TEST_F(ScheduleViewTest, AnActionWithoutATargetHidesTheStepperAndKeepsTheTarget)
{
    createSettledModel();
    ScheduledTask task;
    task.targetPercentage = 65;
    addTasks({task});
    auto* page = showPage();
    ScheduleTaskRow* edited = row(page, 0);
    ASSERT_TRUE(edited->targetStepper()->isVisible());

    edited->actionPicker()->setFocus();
    QTest::keyClick(edited->actionPicker(), Qt::Key_Down);  // charge to full
    EXPECT_FALSE(edited->showsTarget());
    ASSERT_TRUE(waitFor([&] { return !edited->targetStepper()->isVisible(); })) << "the stepper leaves";
    EXPECT_EQ(storedTasks()[0].action, ScheduleAction::topUp);
    EXPECT_EQ(storedTasks()[0].targetPercentage, 65);

    QTest::keyClick(edited->actionPicker(), Qt::Key_Down);  // pause
    QTest::keyClick(edited->actionPicker(), Qt::Key_Down);  // discharge
    EXPECT_EQ(storedTasks()[0].action, ScheduleAction::discharge);
    ASSERT_TRUE(waitFor([&] { return edited->targetStepper()->isVisible(); }));
    EXPECT_EQ(edited->targetStepper()->value(), 65);

    // With reduced motion the stepper only fades in: it does not slide.
    reduceMotion.setReduceMotion(true);
    QTest::keyClick(edited->actionPicker(), Qt::Key_Down);  // calibration
    ASSERT_TRUE(waitFor([&] { return !edited->targetStepper()->isVisible(); }));
    QTest::keyClick(edited->actionPicker(), Qt::Key_Up);  // discharge
    const QPoint entering = edited->targetStepper()->pos();
    ASSERT_TRUE(waitFor([&] {
        const auto fades = edited->targetStepper()->findChildren<QAbstractAnimation*>(
            QStringLiteral("velkora-motion-presentation"), Qt::FindDirectChildrenOnly);
        return std::all_of(fades.begin(), fades.end(),
                           [](const QAbstractAnimation* fade) { return fade->state() == QAbstractAnimation::Stopped; });
    })) << "the fade ends";
    EXPECT_EQ(edited->targetStepper()->pos(), entering);
}

TEST_F(ScheduleViewTest, DeletingARowRemovesItsTaskAndKeepsTheOthersInOrder)
{
    createSettledModel();
    ScheduledTask first;
    ScheduledTask second;
    second.action = ScheduleAction::pause;
    ScheduledTask third;
    third.action = ScheduleAction::calibration;
    addTasks({first, second, third});
    auto* page = showPage();
    EXPECT_EQ(page->taskList()->dividers().size(), 2);
    EXPECT_FALSE(row(page, 1)->targetStepper()->isVisible()) << "pausing takes no target";

    press(row(page, 1)->deleteButton());
    const QList<ScheduledTask> stored = storedTasks();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].id, first.id);
    EXPECT_EQ(stored[1].id, third.id);
    ASSERT_EQ(page->taskList()->rows().size(), 2);
    EXPECT_EQ(page->taskList()->dividers().size(), 1);
    EXPECT_EQ(row(page, 1)->task().id, third.id);
}

TEST_F(ScheduleViewTest, TheHistoryShowsTheNewestRunFirstAndItsTextsAsTheyAre)
{
    createSettledModel();
    const auto now = system_clock::now();
    model->schedules().setHistory({
        entry(QStringLiteral("Set Charge Limit"), QStringLiteral("Done"), true, now - 2h),
        entry(QStringLiteral("<b>Pause</b> &amp;"), QStringLiteral("<font color=red>refused</font><br>"), false,
              now - 1h),
    });
    auto* page = showPage();
    const QList<QWidget*>& rows = page->historyList()->rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_FALSE(page->historyList()->placeholder()->isVisible());

    auto* newest = rows[0];
    auto* name = newest->findChild<VelkoraLabel*>(QStringLiteral("history-task-name"));
    auto* message = newest->findChild<VelkoraLabel*>(QStringLiteral("history-message"));
    ASSERT_NE(name, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("<b>Pause</b> &amp;"));
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(message->text(), QStringLiteral("<font color=red>refused</font><br>"));
    EXPECT_EQ(message->textFormat(), Qt::PlainText);
    auto* failed = newest->findChild<SymbolView*>(QStringLiteral("history-status"));
    EXPECT_EQ(failed->name(), QStringLiteral("xmark.circle.fill"));
    EXPECT_EQ(failed->color(), VelkoraTheme::systemRed());
    auto* succeeded = rows[1]->findChild<SymbolView*>(QStringLiteral("history-status"));
    EXPECT_EQ(succeeded->name(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_EQ(succeeded->color(), VelkoraTheme::systemGreen());

    // A run recorded while the page is open comes in at the top.
    QList<TaskHistoryEntry> history = model->schedules().history();
    history.append(entry(QStringLiteral("Charge to Full"), QStringLiteral("Done"), true, now));
    model->schedules().setHistory(history);
    ASSERT_EQ(page->historyList()->rows().size(), 3);
    EXPECT_EQ(page->historyList()->rows()[0]->findChild<VelkoraLabel*>(QStringLiteral("history-task-name"))->text(),
              QStringLiteral("Charge to Full"));

    press(page->clearHistoryButton());
    EXPECT_TRUE(page->historyList()->rows().isEmpty());
    EXPECT_TRUE(page->historyList()->placeholder()->isVisible());
    EXPECT_TRUE(ScheduleStore().history().isEmpty());
}

TEST_F(ScheduleViewTest, TheRunMissedSwitchWritesTheSetting)
{
    createSettledModel();
    auto* page = showPage();
    ASSERT_FALSE(page->runMissedSwitch()->isChecked());
    press(page->runMissedSwitch());
    EXPECT_TRUE(model->settings().runMissedTasks());
    model->settings().setRunMissedTasks(false);
    EXPECT_FALSE(page->runMissedSwitch()->isChecked());
}

TEST_F(ScheduleViewTest, ATimeTheClockSkipsIsStoredAsTheFirstTimeAfterItAndARepeatedOneAsTheFirst)
{
    TimeZone berlin("Europe/Berlin");
    createSettledModel();
    ScheduledTask spring;
    spring.date = localTime(2027, 3, 28, 1, 30);
    ScheduledTask autumn;
    autumn.date = utcTime(2027, 10, 30, 23, 30);  // 01:30 summer time, the night the clock goes back
    addTasks({spring, autumn});
    auto* page = showPage();

    QDateTimeEdit* springField = row(page, 0)->datePicker();
    EXPECT_EQ(springField->time(), QTime(1, 30));
    springField->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(springField, Qt::Key_Up);  // 02:30 does not exist that night
    EXPECT_EQ(storedTasks()[0].date, utcTime(2027, 3, 28, 1, 0)) << "03:00 summer time";
    EXPECT_EQ(springField->time(), QTime(3, 0)) << "the field shows what was stored";
    QTest::keyClick(springField, Qt::Key_Up);
    EXPECT_EQ(storedTasks()[0].date, utcTime(2027, 3, 28, 2, 0)) << "04:00 summer time";

    QDateTimeEdit* autumnField = row(page, 1)->datePicker();
    autumnField->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(autumnField, Qt::Key_Up);  // 02:30 happens twice that night
    EXPECT_EQ(storedTasks()[1].date, utcTime(2027, 10, 31, 0, 30)) << "the first 02:30, in summer time";
    EXPECT_EQ(autumnField->time(), QTime(2, 30));
}

TEST_F(ScheduleViewTest, AFailedWriteOfTheTasksOrTheHistoryIsReportedAndTheEditStaysOnScreen)
{
    createSettledModel();
    auto* page = showPage();
    // Every error the model publishes: a health check of the helper running
    // meanwhile may clear the banner's text again.
    QStringList reported;
    QObject::connect(model.get(), &AppModel::lastErrorChanged, page, [&] {
        if (model->lastError()) {
            reported.append(*model->lastError());
        }
    });
    // A folder where the file belongs: no write can replace it, not even root's.
    std::filesystem::remove(schedulesFile());
    std::filesystem::create_directory(schedulesFile());

    press(page->addButton());
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].startsWith(QStringLiteral("Couldn’t save the scheduled tasks: "))) << reported[0].toStdString();
    EXPECT_EQ(page->taskList()->rows().size(), 1) << "the task stays in the list";

    model->setLastError(std::nullopt);
    press(page->clearHistoryButton());
    EXPECT_EQ(reported.size(), 2) << "a failed write of the history is reported too";

    std::filesystem::remove(schedulesFile());
    press(row(page, 0)->enabledSwitch());
    EXPECT_EQ(reported.size(), 2) << "a write that succeeds reports nothing";
    ASSERT_EQ(storedTasks().size(), 1);
    EXPECT_FALSE(storedTasks()[0].enabled);
}

}  // namespace velkora::test
