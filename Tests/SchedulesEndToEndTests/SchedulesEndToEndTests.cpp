#include "Schedules/ScheduleTaskList.h"
#include "Schedules/ScheduleTaskRow.h"
#include "Schedules/ScheduleView.h"
#include "Schedules/TaskHistoryList.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraSwitch.h"

#include "BundledApplicationTest.h"
#include "Services/ManualAppClock.h"
#include "TestSupport/ModelViewEnvironment.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace velkora {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;

// The application as the user has it, but for time: its model on a manual
// clock, running from its signed bundle in /Applications of a simulated
// laptop whose launchd starts the real daemon, the helper approved; the page
// is driven with the keyboard and the pointer.
class SchedulesEndToEndTest : public BundledApplicationTest {
protected:
    void SetUp() override
    {
        startPluggedLaptop("50");
        AppModel::Services services;
        services.clock = clock;
        startApplication(std::move(services));
        started = clock->date();
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s) && !model->helperStatus().isBusy(); }));
        ASSERT_EQ(model->helperStatus(), HelperStatus::notInstalled());
        ASSERT_NO_FATAL_FAILURE(installAndApproveHelper());
        for (int pass = 0; pass < 4 && model->helperStatus() != HelperStatus::enabled(); ++pass) {
            tick();
        }
        ASSERT_EQ(model->helperStatus(), HelperStatus::enabled()) << model->helperStatus().title().toStdString();
    }

    void TearDown() override
    {
        page.reset();
        BundledApplicationTest::TearDown();
    }

    ViewEnvironment environment() { return test::modelViewEnvironment(*model, reduceMotion); }

    // A second passes: the poll loop ends its next pass and, every 30
    // seconds of the model's life, the scheduler its pass. Each pass talks to
    // the daemon with time-outs on this clock, so the clock moves on only
    // once both loops sleep again.
    void tick()
    {
        clock->advance(1s);
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s); })) << "the poll pass did not end";
        if ((clock->date() - started) % AppModel::schedulerInterval == 0s) {
            ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(AppModel::schedulerInterval); }))
                << "the scheduler's pass did not end";
        }
    }

    Json battery() const { return simmac->status()["battery"]; }

    // A whole minute of the user's time of day plus ten: stepping the field's
    // hour down and its minute up stays within one hour.
    std::shared_ptr<ManualAppClock> clock =
        ManualAppClock::create(floor<hours>(system_clock::now()) + 10min);
    ManualAppClock::Date started;
    ReduceMotionSource reduceMotion;
    std::unique_ptr<ScheduleView> page;
};

TEST_F(SchedulesEndToEndTest, ATaskAddedOnThePageToSetTheLimitToSixtyAMinuteFromNowIsCarriedOutAndRecorded)
{
    page = std::make_unique<ScheduleView>(environment());
    page->resize(970, 760);
    page->show();
    ASSERT_NE(model->policy().chargeLimit, 60);

    QTest::mouseClick(page->addButton(), Qt::LeftButton);
    ASSERT_EQ(page->taskList()->rows().size(), 1);
    ScheduleTaskRow* row = page->taskList()->rows()[0];
    for (int click = 0; click < 20; ++click) {
        QTest::keyClick(row->targetStepper(), Qt::Key_Down);
    }
    QDateTimeEdit* date = row->datePicker();
    date->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(date, Qt::Key_Down);
    date->setCurrentSection(QDateTimeEdit::MinuteSection);
    QTest::keyClick(date, Qt::Key_Up);
    const ScheduledTask task = model->schedules().tasks().at(0);
    ASSERT_EQ(task.targetPercentage, 60);
    ASSERT_EQ(task.action, ScheduleAction::setLimit);
    const ManualAppClock::Date added = clock->date();
    EXPECT_EQ(floor<minutes>(task.date), floor<minutes>(added + 1min));

    // The scheduler's passes come every 30 seconds; the task runs at the
    // first pass after its time and only then.
    while (model->schedules().history().isEmpty() && clock->date() < added + 2min) {
        tick();
        if (testing::Test::HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(clock->date() >= task.date || model->schedules().history().isEmpty()) << "ran before its time";
    }
    ASSERT_EQ(model->schedules().history().size(), 1);
    const TaskHistoryEntry run = model->schedules().history().at(0);
    EXPECT_TRUE(run.succeeded) << run.message.toStdString();
    EXPECT_EQ(run.taskName, QStringLiteral("Set Charge Limit"));
    EXPECT_LT(run.executedAt - task.date, AppModel::schedulerInterval);
    EXPECT_EQ(model->policy().chargeLimit, 60);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_FALSE(model->schedules().tasks().at(0).enabled) << "a one-off task ends with its run";
    EXPECT_FALSE(row->enabledSwitch()->isChecked());

    // The page shows the run.
    ASSERT_EQ(page->historyList()->rows().size(), 1);
    EXPECT_EQ(page->historyList()->rows()[0]->findChild<VelkoraLabel*>(QStringLiteral("history-task-name"))->text(),
              QStringLiteral("Set Charge Limit"));

    // The daemon charges to 60 % and holds the battery there.
    simmac->simmacctl({"speed", "3000"});
    ASSERT_TRUE(waitFor([&] { return battery()["level"].get<double>() >= 59.5; }, 20000)) << battery().dump();
    ASSERT_TRUE(waitFor([&] { return !battery()["charging"].get<bool>(); }, 5000)) << battery().dump();
    QTest::qWait(1500);
    const Json held = battery();
    EXPECT_FALSE(held["charging"].get<bool>()) << held.dump();
    EXPECT_NEAR(held["level"].get<double>(), 60, 1) << held.dump();
}

}  // namespace
}  // namespace velkora
