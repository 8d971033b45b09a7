#include "AppKit/NSWorkspace.h"
#include "BundledApplicationTest.h"
#include "DaemonStore.h"
#include "Foundation/Bundle.h"
#include "Model/AppModel.h"
#include "Security/CodeSigner.h"
#include "Security/SigningIdentity.h"
#include "Services/AppIdentity.h"
#include "Services/ManualAppClock.h"
#include "SystemSettings/LoginItemsPage.h"
#include "TestSupport/SimmacProcess.h"
#include "UserDefaults/UserDefaults.h"
#include "VelkoraCore/IPC.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace velkora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Json = nlohmann::ordered_json;

const std::string helperLabel(IPC::machServiceName);

QString offlineText()
{
    return QStringLiteral("The charging daemon is not responding; auto-recovery in progress…");
}

// The application's model, as the application makes it, running from its
// bundle in /Applications of a simulated Mac whose launchd starts the real
// daemon; only time is a manual clock.
class ModelEndToEndTest : public BundledApplicationTest {
protected:
    void TearDown() override
    {
        BundledApplicationTest::TearDown();
        for (const platform::NSRunningApplication& application : platform::NSWorkspace::shared().runningApplications()) {
            if (application.processIdentifier() != ::getpid()) {
                ::kill(application.processIdentifier(), SIGTERM);
            }
        }
    }

    void startMac(const std::string& hardware = "firmware-limit-laptop")
    {
        testsupport::SimmacProcess::Options options = testsupport::SimmacProcess::withModel(hardware);
        options.root = std::getenv("SIMMAC_ROOT");
        options.speed = 0;
        if (::geteuid() != 0) {
            // The daemon that launchd starts runs as this user and writes SMC keys.
            options.privilegedUid = ::geteuid();
        }
        simmac.emplace(options);
    }

    // The daemon's store holds what the user set in an earlier session.
    static void storePolicy(std::int64_t limit)
    {
        ChargePolicy policy;
        policy.managementEnabled = true;
        policy.chargeLimit = limit;
        DaemonStore().savePolicy(policy);
    }

    void createModel()
    {
        AppModel::Services services;
        services.clock = clock;
        model = AppModel::create(std::move(services));
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s) && !model->helperStatus().isBusy(); }));
        settle();
    }

    // The user's Install, then the user's approval as simmacctl gives it, then
    // poll passes until the helper is healthy.
    void installApprovedHelper()
    {
        ASSERT_EQ(model->helperStatus(), HelperStatus::notInstalled());
        model->performPrimaryHelperAction();
        ASSERT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
        simmac->simmacctl({"approve", helperLabel});
        ASSERT_TRUE(tickUntil([&] { return model->helperStatus() == HelperStatus::enabled(); }, 4));
    }

    void settle()
    {
        for (int round = 0; round < 20; ++round) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }

    // One poll pass: a second passes and the loop finishes its next pass.
    void tick()
    {
        clock->advance(1s);
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s); })) << "the poll pass did not end";
        settle();
    }

    // Poll passes, at most `limit`, until `done` holds.
    bool tickUntil(const std::function<bool()>& done, int limit)
    {
        for (int pass = 0; pass < limit && !done(); ++pass) {
            tick();
            if (testing::Test::HasFatalFailure()) {
                return false;
            }
        }
        return done();
    }

    // The helper's entry in simmac's launchd.
    Json helperJob() const
    {
        const Json status = simmac->status();
        for (const Json& job : status["launchd"]["jobs"]) {
            if (job["label"] == helperLabel) {
                return job;
            }
        }
        return nullptr;
    }

    std::optional<pid_t> daemonProcess() const
    {
        const Json job = helperJob();
        return job.is_null() || job["pid"].is_null() ? std::nullopt : std::optional<pid_t>(job["pid"].get<pid_t>());
    }

    static fs::path bundle() { return platform::Bundle::main().bundlePath(); }
    static fs::path daemons() { return bundle() / "Contents/Library/LaunchDaemons"; }

    static void signBundle()
    {
        platform::CodeSigner::sign(bundle(), "com.velkora.app", platform::SigningIdentity::load(DEVELOPMENT_IDENTITY));
    }

    std::shared_ptr<ManualAppClock> clock = ManualAppClock::create();
};

TEST_F(ModelEndToEndTest, ApprovedInSystemSettingsTheDaemonStartsAtOnceAndHoldsTheStoredLimit)
{
    startMac();
    simmac->simmacctl({"plug"});
    simmac->simmacctl({"level", "50"});
    storePolicy(60);
    createModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::notInstalled());
    EXPECT_EQ(helperJob(), nullptr);

    // The user's Install registers the helper, which waits for approval, and
    // opens System Settings.
    model->performPrimaryHelperAction();
    EXPECT_EQ(model->helperStatus(), HelperStatus::requiresApproval());
    EXPECT_EQ(model->lastError(), QStringLiteral("Allow Tallowmere to run in the background in System Settings → "
                                                 "General → Login Items & Extensions"));
    EXPECT_TRUE(model->isAwaitingSystemApproval());
    EXPECT_EQ(helperJob()["status"], "requiresApproval");
    ASSERT_TRUE(waitFor([] {
        for (const auto& application : platform::NSWorkspace::shared().runningApplications()) {
            if (application.bundleIdentifier() == "com.apple.systempreferences") {
                return true;
            }
        }
        return false;
    })) << "System Settings did not open";
    tick();
    EXPECT_EQ(model->helperStatus(), HelperStatus::requiresApproval());

    // The user turns the switch on in Login Items.
    platform::LoginItemsPage loginItems;
    loginItems.show();
    QAbstractButton* allow = loginItems.allowSwitch(QString::fromStdString(helperLabel));
    ASSERT_NE(allow, nullptr);
    QTest::mouseClick(allow, Qt::LeftButton);
    EXPECT_EQ(helperJob()["status"], "enabled");
    EXPECT_TRUE(daemonProcess()) << "launchd starts the daemon on the approval";

    ASSERT_TRUE(tickUntil([&] { return model->helperStatus() == HelperStatus::enabled(); }, 3));
    EXPECT_EQ(helperJob()["starts"], 1);
    EXPECT_TRUE(daemonProcess());
    EXPECT_FALSE(model->isAwaitingSystemApproval());
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_EQ(model->policy().chargeLimit, 60);

    // Charging runs on until 60 % and stops there.
    simmac->simmacctl({"speed", "3000"});
    ASSERT_TRUE(waitFor([&] { return simmac->status()["battery"]["level"].get<double>() >= 59.5; }, 20000))
        << simmac->status()["battery"].dump();
    ASSERT_TRUE(waitFor([&] { return !simmac->status()["battery"]["charging"].get<bool>(); }, 5000));
    QTest::qWait(300);
    const Json battery = simmac->status()["battery"];
    EXPECT_FALSE(battery["charging"].get<bool>()) << battery.dump();
    EXPECT_NEAR(battery["level"].get<double>(), 60, 1) << battery.dump();
    // The daemon reads the battery every second of its own.
    for (int pass = 0; pass < 40 && model->snapshot().battery.percentage != 60; ++pass) {
        QTest::qWait(50);
        tick();
    }
    EXPECT_EQ(model->snapshot().battery.percentage, 60);
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
}

TEST_F(ModelEndToEndTest, AKilledDaemonIsStartedAgainByLaunchdAndKeepsTheUsersLimit)
{
    startMac();
    storePolicy(60);
    createModel();
    installApprovedHelper();
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    ASSERT_EQ(DaemonStore().loadPolicy().chargeLimit, 70);
    const std::optional<pid_t> first = daemonProcess();
    ASSERT_TRUE(first);

    ASSERT_EQ(::kill(*first, SIGKILL), 0);
    // launchd starts it again by itself, within its throttle of 2 s.
    ASSERT_TRUE(waitFor([&] { return daemonProcess().value_or(*first) != *first; }, 5000));
    ASSERT_TRUE(tickUntil([&] { return model->helperStatus() == HelperStatus::enabled(); }, 3));
    EXPECT_EQ(helperJob()["starts"], 2);
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(model->policy().chargeLimit, 70);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_EQ(DaemonStore().loadPolicy().chargeLimit, 70);
}

TEST_F(ModelEndToEndTest, AHungDaemonIsReportedOfflineAndOnceKilledRunsAgainWithinTheBackOffWithTheUsersLimit)
{
    startMac();
    storePolicy(60);
    createModel();
    installApprovedHelper();
    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    ASSERT_TRUE(waitFor([&] { return !model->isLimitUpdating(); }));
    const std::optional<pid_t> hung = daemonProcess();
    ASSERT_TRUE(hung);

    // It stops answering: two snapshot fetches and the health check run into
    // their 3-second time-outs.
    ASSERT_EQ(::kill(*hung, SIGSTOP), 0);
    for (int second = 0; second < 30 && model->helperStatus() != HelperStatus::offline(); ++second) {
        clock->advance(1s);
        // A pass that waits for the daemon does not end; one that does starts its sleep.
        waitFor([&] { return clock->hasSleeperStartedNow(1s); }, 200);
    }
    ASSERT_EQ(model->helperStatus(), HelperStatus::offline());
    EXPECT_EQ(model->lastError(), offlineText());
    ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s); }));

    // Killed, it is started again by launchd and found by the first automatic attempt, 2 seconds on.
    ASSERT_EQ(::kill(*hung, SIGKILL), 0);
    ASSERT_TRUE(waitFor([&] { return daemonProcess() != hung; }));
    ASSERT_TRUE(tickUntil([&] { return model->helperStatus() == HelperStatus::enabled(); }, 3));
    EXPECT_TRUE(daemonProcess());
    EXPECT_EQ(helperJob()["starts"], 2);
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_EQ(model->policy().chargeLimit, 70);
    EXPECT_TRUE(model->policy().managementEnabled);
    EXPECT_EQ(DaemonStore().loadPolicy().chargeLimit, 70);
}

TEST_F(ModelEndToEndTest, AHelperLeftRunningByAnEarlierBuildKeepsItsApprovalAndServes)
{
    startMac();
    // The earlier build registered its helper, stamped with its own build,
    // and the user approved it; then the application was updated in place.
    const fs::path plist = daemons() / "com.velkora.charging-helper.plist";
    std::ifstream in(plist);
    const std::string current((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string stamp = "<string>" + AppIdentity::build() + "</string>";
    ASSERT_NE(current.find(stamp), std::string::npos) << current;
    std::string earlier = current;
    earlier.replace(earlier.find(stamp), stamp.size(), "<string>199901010000</string>");
    std::ofstream(plist, std::ios::trunc) << earlier;
    storePolicy(65);
    simmac->request("launchd.register", {{"bundle", bundle().string()}, {"plist", plist.filename().string()}});
    simmac->simmacctl({"approve", helperLabel});
    std::ofstream(plist, std::ios::trunc) << current;
    signBundle();

    testing::internal::CaptureStderr();
    createModel();
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_NE(logged.find("Keeping approved helper registration appBuild=" + AppIdentity::build() +
                          " runningHelperBuild=199901010000"),
              std::string::npos)
        << logged;
    EXPECT_EQ(model->helperStatus(), HelperStatus::enabled());
    EXPECT_FALSE(model->helperNeedsUpdate());
    EXPECT_EQ(model->policy().chargeLimit, 65);
    EXPECT_EQ(platform::UserDefaults::standard().object("healthyHelperBuild").toString(), "199901010000");
    EXPECT_EQ(helperJob()["status"], "enabled");
    EXPECT_EQ(helperJob()["starts"], 1);
}

TEST_F(ModelEndToEndTest, AHelperOfAnotherProtocolBlocksChargingControlAndStaysIncompatibleAfterARepair)
{
    startMac();
    fs::copy_file(OLDER_PROTOCOL_DAEMON, daemons() / "VelkoraDaemon", fs::copy_options::overwrite_existing);
    const auto maker = platform::SigningIdentity::load(DEVELOPMENT_IDENTITY);
    platform::CodeSigner::sign(daemons() / "VelkoraDaemon", "VelkoraDaemon", maker);
    signBundle();
    storePolicy(65);
    createModel();

    model->performPrimaryHelperAction();
    simmac->simmacctl({"approve", helperLabel});
    ASSERT_TRUE(tickUntil([&] { return model->helperStatus() == HelperStatus::versionMismatch(); }, 4));
    EXPECT_TRUE(model->helperNeedsUpdate());
    EXPECT_EQ(model->lastError(),
              QStringLiteral("The daemon protocol is older. Restart your Mac first so the new service loads without "
                             "replacing its existing approval; repair manually only if the warning remains."));
    EXPECT_NE(model->policy().chargeLimit, 65) << "nothing is fetched from an incompatible helper";

    model->updatePolicy([](ChargePolicy& policy) { policy.chargeLimit = 70; });
    settle();
    EXPECT_EQ(DaemonStore().loadPolicy().chargeLimit, 65) << "no command reaches it";

    // The repair registers the same older daemon again, waits and checks.
    model->performPrimaryHelperAction();
    ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(750ms); }));
    clock->advance(750ms);
    ASSERT_TRUE(waitFor([&] { return model->helperStatus().kind() == HelperStatus::Kind::repairFailed; }));
    EXPECT_EQ(model->helperStatus(),
              HelperStatus::repairFailed(QStringLiteral("The daemon is still incompatible after registration; contact support")));
    EXPECT_EQ(helperJob()["status"], "enabled") << "the approval outlives the new registration";
}

TEST_F(ModelEndToEndTest, OnADesktopMacTheModelLeavesARegisteredHelperAlone)
{
    startMac("desktop");
    // Installed and approved in an earlier session.
    simmac->request("launchd.register", {{"bundle", bundle().string()}, {"plist", "com.velkora.charging-helper.plist"}});
    simmac->simmacctl({"approve", helperLabel});
    createModel();
    EXPECT_EQ(model->helperStatus(), HelperStatus::unsupportedDevice());

    // Ten readings without a battery make its absence certain.
    for (int pass = 0; pass < 10; ++pass) {
        tick();
    }
    EXPECT_EQ(model->batteryAvailability(), BatteryAvailability::absent);
    model->performPrimaryHelperAction();
    model->applicationDidBecomeActive();
    settle();
    EXPECT_EQ(model->helperStatus(), HelperStatus::unsupportedDevice());
    EXPECT_FALSE(model->helperNeedsUpdate());
    EXPECT_EQ(helperJob()["starts"], 1) << "started once, by the approval, and never again";
    EXPECT_EQ(helperJob()["status"], "enabled");
    ASSERT_TRUE(model->telemetry().desktopPower().has_value());
    EXPECT_GT(model->telemetry().desktopPowerHistory().size(), 1);
}

}  // namespace
}  // namespace velkora
