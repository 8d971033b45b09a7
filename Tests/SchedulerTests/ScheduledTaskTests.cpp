#include "LocalTime.h"

#include "../AppModelTests/ModelFixture.h"
#include "../VelkoraDaemonTests/DaemonProcess.h"

#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"
#include "Services/ClientError.h"

#include <fstream>

namespace velkora::test {
namespace {

using Date = AppClock::Date;

ScheduledTask task(ScheduleAction action, Date date, ScheduleRepeat repeat, std::int64_t target = 80)
{
    ScheduledTask made;
    made.action = action;
    made.date = date;
    made.repeatRule = repeat;
    made.targetPercentage = target;
    return made;
}

struct TaskRun {
    QString taskName;
    Date executedAt;
    bool succeeded = false;
    QString message;

    bool operator==(const TaskRun&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const TaskRun& run)
{
    return stream << run.taskName.toStdString() << " at "
                  << std::chrono::duration_cast<std::chrono::seconds>(run.executedAt.time_since_epoch()).count()
                  << (run.succeeded ? " done: " : " failed: ") << run.message.toStdString();
}

// The model on a simulated laptop in Central European time, on a manual clock
// that starts on Monday 2030-01-07 at 08:00, with the real daemon serving it:
// this program is signed as the application, so the daemon accepts it.
class SchedulerTest : public testing::Test {
protected:
    void TearDown() override
    {
        std::weak_ptr<AppModel> weak = model;
        model.reset();
        waitFor([&] { return weak.expired(); });
    }

    void startMac(const std::string& hardware, bool withDaemon)
    {
        testsupport::SimmacProcess::Options options = testsupport::SimmacProcess::withModel(hardware);
        options.speed = 0;
        if (::geteuid() != 0) {
            options.privilegedUid = ::geteuid();
        }
        simmac.emplace(options);
        platform::TrustStore(simmac->root())
            .install(platform::SigningIdentity::load(DEVELOPMENT_IDENTITY).anchorCertificate().publicKey);
        if (withDaemon) {
            daemon.emplace();
        }
    }

    void createModel()
    {
        AppModel::Services services;
        services.clock = clock;
        services.daemon = DaemonClient::create(clock->timeoutScheduler(), registration);
        services.mainApp = loginItem;
        services.installation = HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
        services.openLoginItems = [] {};
        model = AppModel::create(std::move(services));
        ASSERT_TRUE(waitFor([&] {
            return clock->hasSleeperStartedNow(1s) && clock->hasSleeperStartedNow(AppModel::schedulerInterval) &&
                   !model->helperStatus().isBusy();
        }));
    }

    // The clock moves on to `when` in one step, as over a sleeping Mac: the
    // scheduler's next pass runs there, and none on the way.
    void passAt(Date when)
    {
        ASSERT_GE(when - clock->date(), AppModel::schedulerInterval) << "the scheduler would not wake";
        clock->advance(when - clock->date());
        ASSERT_TRUE(waitFor([&] {
            return clock->hasSleeperStartedNow(AppModel::schedulerInterval) && clock->hasSleeperStartedNow(1s);
        })) << "the pass did not end";
    }

    template <typename Predicate>
    bool waitFor(Predicate ready)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!ready()) {
            if (elapsed.elapsed() > 10000) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    std::vector<TaskRun> runs() const
    {
        std::vector<TaskRun> recorded;
        for (const TaskHistoryEntry& entry : model->schedules().history()) {
            recorded.push_back({entry.taskName, entry.executedAt, entry.succeeded, entry.message});
        }
        return recorded;
    }

    const ScheduledTask& stored(const ScheduledTask& original) const
    {
        for (const ScheduledTask& candidate : model->schedules().tasks()) {
            if (candidate.id == original.id) {
                return candidate;
            }
        }
        throw std::runtime_error("the task is gone");
    }

    // The policy the daemon keeps in its file.
    nlohmann::json daemonPolicy() const
    {
        std::ifstream file(DaemonProcess::policyPath());
        return nlohmann::json::parse(file, nullptr, false);
    }

    static TaskRun done(ScheduleAction action, Date at) { return {title(action), at, true, "Done"}; }

    TimeZone zone{"CET-1"};
    std::optional<testsupport::SimmacProcess> simmac;
    std::optional<DaemonProcess> daemon;
    std::shared_ptr<ManualAppClock> clock = ManualAppClock::create(localTime(2030, 1, 7, 8, 0));
    std::shared_ptr<FakeRegistration> registration = std::make_shared<FakeRegistration>();
    std::shared_ptr<FakeRegistration> loginItem = std::make_shared<FakeRegistration>();
    std::shared_ptr<AppModel> model;
};

TEST_F(SchedulerTest, AWeekOfTasksRunsAgainstTheDaemonEachAtItsTime)
{
    startMac("firmware-limit-laptop", true);
    simmac->simmacctl({"plug"});
    simmac->simmacctl({"level", "75"});
    createModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::enabled());

    const auto day = [](int date, int hour, int minute, int second = 0) {
        return localTime(2030, 1, date, hour, minute, second);
    };
    const ScheduledTask limitOnce = task(ScheduleAction::setLimit, day(7, 9, 0), ScheduleRepeat::never, 70);
    const ScheduledTask noonPause = task(ScheduleAction::pause, day(7, 12, 0), ScheduleRepeat::daily);
    // Made on Monday the 7th for Monday the 14th.
    const ScheduledTask nextWeeksTopUp = task(ScheduleAction::topUp, day(14, 10, 0), ScheduleRepeat::weekly);
    const ScheduledTask thursdayDischarge = task(ScheduleAction::discharge, day(10, 20, 0), ScheduleRepeat::weekly, 40);
    const ScheduledTask morningLimit = task(ScheduleAction::setLimit, day(8, 7, 0), ScheduleRepeat::daily, 80);
    const ScheduledTask nightTopUp = task(ScheduleAction::topUp, day(8, 3, 0), ScheduleRepeat::never);
    model->schedules().setTasks(
        {limitOnce, noonPause, nextWeeksTopUp, thursdayDischarge, morningLimit, nightTopUp});
    std::vector<TaskRun> expected;

    // Monday: the one-off limit, ten seconds into its minute; then it is over.
    passAt(day(7, 9, 0, 10));
    expected.push_back(done(ScheduleAction::setLimit, day(7, 9, 0, 10)));
    EXPECT_EQ(runs(), expected);
    EXPECT_FALSE(stored(limitOnce).enabled);
    EXPECT_EQ(stored(limitOnce).lastRun, day(7, 9, 0, 10));
    EXPECT_EQ(model->policy().chargeLimit, 70);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_EQ(daemonPolicy()["chargeLimit"], 70);

    // Next week's weekly task has the right weekday but has not started yet.
    passAt(day(7, 10, 0, 10));
    EXPECT_EQ(runs(), expected);
    EXPECT_EQ(stored(nextWeeksTopUp).lastRun, std::nullopt);

    // The daily pause runs once a day, however many passes see its time.
    passAt(day(7, 12, 0, 5));
    passAt(day(7, 12, 0, 35));
    expected.push_back(done(ScheduleAction::pause, day(7, 12, 0, 5)));
    EXPECT_EQ(runs(), expected);

    // Asleep through the night: the one-off top-up at 03:00 is missed and ends unrun.
    passAt(day(8, 3, 10));
    EXPECT_EQ(runs(), expected);
    EXPECT_FALSE(stored(nightTopUp).enabled);
    EXPECT_EQ(stored(nightTopUp).lastRun, std::nullopt);

    passAt(day(8, 7, 0, 20));
    EXPECT_EQ(daemonPolicy()["chargeLimit"], 80);
    // Pausing holds the battery where it is: the daemon's limit becomes its level.
    passAt(day(8, 12, 0, 10));
    EXPECT_EQ(daemonPolicy()["chargeLimit"], 75);
    expected.push_back(done(ScheduleAction::setLimit, day(8, 7, 0, 20)));
    expected.push_back(done(ScheduleAction::pause, day(8, 12, 0, 10)));
    EXPECT_EQ(runs(), expected);

    // Wednesday the Mac wakes at 07:05: the morning limit is skipped for the
    // day and stays on.
    passAt(day(9, 7, 5));
    EXPECT_EQ(runs(), expected);
    EXPECT_TRUE(stored(morningLimit).enabled);
    EXPECT_EQ(stored(morningLimit).lastRun, day(8, 7, 0, 20));
    passAt(day(9, 12, 0, 10));
    expected.push_back(done(ScheduleAction::pause, day(9, 12, 0, 10)));

    // From Thursday on missed occurrences run when they are noticed.
    model->settings().setRunMissedTasks(true);
    passAt(day(10, 7, 5));
    passAt(day(10, 12, 0, 10));
    passAt(day(10, 20, 0, 5));
    expected.push_back(done(ScheduleAction::setLimit, day(10, 7, 5)));
    expected.push_back(done(ScheduleAction::pause, day(10, 12, 0, 10)));
    expected.push_back(done(ScheduleAction::discharge, day(10, 20, 0, 5)));
    EXPECT_EQ(runs(), expected);
    EXPECT_EQ(model->policy().chargeLimit, 40);
    EXPECT_TRUE(model->policy().automaticDischarge);
    EXPECT_EQ(daemonPolicy()["chargeLimit"], 40);
    EXPECT_EQ(daemonPolicy()["automaticDischarge"], true);

    // Friday to Sunday, one pass at noon: the morning limit runs late, then the pause.
    for (const int date : {11, 12, 13}) {
        passAt(day(date, 12, 0, 10));
        expected.push_back(done(ScheduleAction::pause, day(date, 12, 0, 10)));
        expected.push_back(done(ScheduleAction::setLimit, day(date, 12, 0, 10)));
    }
    EXPECT_EQ(runs(), expected);
    EXPECT_EQ(stored(thursdayDischarge).lastRun, day(10, 20, 0, 5)) << "weekly: once this week";

    // Monday the 14th: next week's top-up has started.
    simmac->simmacctl({"level", "70"});
    passAt(day(14, 10, 0, 10));
    expected.push_back(done(ScheduleAction::topUp, day(14, 10, 0, 10)));
    expected.push_back(done(ScheduleAction::setLimit, day(14, 10, 0, 10)));
    EXPECT_EQ(runs(), expected);
    EXPECT_TRUE(stored(nextWeeksTopUp).enabled);
    EXPECT_EQ(model->isTopUpActive(), model->snapshot().state == ChargingState::topUp);
    EXPECT_EQ(model->snapshot().state, ChargingState::topUp);
    EXPECT_EQ(model->lastError(), std::nullopt);
}

TEST_F(SchedulerTest, WithTheHelperNotInstalledADueTaskFailsAndAOneOffTaskEnds)
{
    registration->currentStatus = platform::SMAppService::Status::notRegistered;
    startMac("firmware-limit-laptop", false);
    createModel();
    ASSERT_EQ(model->helperStatus(), HelperStatus::notInstalled());

    const ScheduledTask once = task(ScheduleAction::topUp, localTime(2030, 1, 7, 8, 30), ScheduleRepeat::never);
    const ScheduledTask daily = task(ScheduleAction::calibration, localTime(2030, 1, 7, 8, 30), ScheduleRepeat::daily);
    model->schedules().setTasks({once, daily});
    passAt(localTime(2030, 1, 7, 8, 30, 20));

    const QString unavailable = ClientError::connectionUnavailable().errorDescription();
    const Date at = localTime(2030, 1, 7, 8, 30, 20);
    EXPECT_EQ(runs(), (std::vector<TaskRun>{{title(ScheduleAction::topUp), at, false, unavailable},
                                        {title(ScheduleAction::calibration), at, false, unavailable}}));
    EXPECT_FALSE(stored(once).enabled);
    EXPECT_EQ(stored(once).lastRun, at);
    EXPECT_TRUE(stored(daily).enabled);
    EXPECT_EQ(stored(daily).lastRun, at);
    EXPECT_EQ(model->lastError(), "Scheduled task “Start Calibration” failed: " + unavailable);
    EXPECT_FALSE(model->isCalibrationActive());
}

TEST_F(SchedulerTest, NoPassDoesAnythingOnAMacWithoutABattery)
{
    startMac("desktop", false);
    createModel();
    const ScheduledTask once = task(ScheduleAction::setLimit, localTime(2030, 1, 7, 8, 30), ScheduleRepeat::never);
    model->schedules().setTasks({once});
    passAt(localTime(2030, 1, 7, 8, 30, 20));
    passAt(localTime(2030, 1, 8, 9, 0));
    EXPECT_TRUE(runs().empty());
    EXPECT_TRUE(stored(once).enabled);
    EXPECT_EQ(stored(once).lastRun, std::nullopt);
}

}  // namespace
}  // namespace velkora::test
