#include "Security/SigningIdentity.h"
#include "Security/TrustStore.h"
#include "TestSupport/SimmacProcess.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::SimmacProcess;

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

// A simulated Mac with Tallowmere installed in /Applications and running,
// the `shortcuts` tool in its /usr/bin, and the helper approved when the Mac
// has a battery to manage.
class ShortcutsEndToEndTest : public testing::Test {
protected:
    void TearDown() override
    {
        quitApplication();
        simmac.reset();
    }

    void startMac(const std::string& model, const std::string& language = "en")
    {
        SimmacProcess::Options options = SimmacProcess::withModel(model);
        // The battery's level stays as the test sets it unless a test speeds time up.
        options.speed = 0;
        // The daemon writes the SMC; in CI it runs as root anyway.
        options.privilegedUid = ::getuid();
        simmac.emplace(options);

        const auto maker = platform::SigningIdentity::load(DEVELOPMENT_IDENTITY);
        platform::TrustStore(simmac->root()).install(maker.anchorCertificate().publicKey);
        fs::create_directories(simmac->root() / "Applications");
        fs::copy(VELKORA_APP_BUNDLE, simmac->root() / "Applications/Tallowmere.app", fs::copy_options::recursive);
        fs::create_symlink(SHORTCUTS_TOOL, simmac->root() / "usr/bin/shortcuts");

        application.emplace();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("SIMMAC_ROOT", QString::fromStdString(simmac->root().string()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("LANGUAGE", QString::fromStdString(language));
        application->setProcessEnvironment(environment);
        application->setProcessChannelMode(QProcess::ForwardedChannels);
        application->start(
            QString::fromStdString((simmac->root() / "Applications/Tallowmere.app/Contents/MacOS/Velkora").string()),
            {});
        ASSERT_TRUE(application->waitForStarted());
        ASSERT_TRUE(eventually([&] { return shortcuts({"list"}).exitCode == 0; })) << shortcuts({"list"}).errorOutput;
    }

    // Installs the helper as the window's Install button does, then approves it.
    void approveHelper()
    {
        const auto registered =
            simmac->simmacctl({"register", (simmac->root() / "Applications/Tallowmere.app").string()});
        ASSERT_EQ(registered.exitCode, 0) << registered.errorOutput;
        ASSERT_TRUE(eventually([&] {
            return simmac->simmacctl({"approve", "com.velkora.charging-helper"}).exitCode == 0;
        })) << "the helper could not be approved";
    }

    SimmacProcess::CommandResult shortcuts(const std::vector<std::string>& arguments) const
    {
        std::vector<std::string> command{(simmac->root() / "usr/bin/shortcuts").string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return simmac->run(command);
    }

    void quitApplication()
    {
        if (application) {
            application->terminate();
            if (!application->waitForFinished(5000)) {
                application->kill();
                application->waitForFinished();
            }
            application.reset();
        }
    }

    nlohmann::ordered_json battery() const { return simmac->status()["battery"]; }

    std::optional<SimmacProcess> simmac;
    std::optional<QProcess> application;
};

TEST_F(ShortcutsEndToEndTest, TheLimitSetFromShortcutsIsHeldByTheDaemonAndReadBack)
{
    startMac("firmware-limit-laptop");
    approveHelper();
    simmac->simmacctl({"plug"});
    simmac->simmacctl({"level", "57"});

    const auto set = shortcuts({"run", "SetChargeLimitIntent", "limit=60"});
    EXPECT_EQ(set.exitCode, 0) << set.errorOutput;
    EXPECT_EQ(set.output, "The charge limit is now 60%.\n");

    const auto limit = shortcuts({"run", "GetChargeLimitIntent"});
    EXPECT_EQ(limit.exitCode, 0) << limit.errorOutput;
    EXPECT_EQ(limit.output, "The charge limit is 60%.\n60\n");

    // The daemon charges the battery to the limit and holds it there.
    simmac->simmacctl({"speed", "20"});
    EXPECT_TRUE(eventually([&] { return battery()["level"] == 60 && battery()["charging"] == false; }, 60s))
        << battery().dump();
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(battery()["level"], 60) << "it stays at the limit";
    EXPECT_EQ(shortcuts({"run", "GetChargingStateIntent"}).output, "Charging state: Paused\nPaused\n");

    simmac->simmacctl({"speed", "0"});
    const auto percentage = shortcuts({"run", "GetBatteryPercentageIntent"});
    EXPECT_EQ(percentage.exitCode, 0) << percentage.errorOutput;
    const std::string level = std::to_string(battery()["level"].get<int>());
    EXPECT_EQ(percentage.output, "The battery is at " + level + "%.\n" + level + "\n");
}

TEST_F(ShortcutsEndToEndTest, EveryActionRunsThroughTheTool)
{
    startMac("firmware-limit-laptop");
    approveHelper();
    simmac->simmacctl({"plug"});
    simmac->simmacctl({"level", "70"});
    simmac->simmacctl({"temperature", "31.5"});

    const auto listed = shortcuts({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.errorOutput;
    EXPECT_EQ(listed.output, "Charge to Full\tTopUpIntent\n"
                             "Pause Charging\tPauseChargingIntent\n"
                             "Start Discharging\tStartDischargeIntent\n"
                             "Start Calibration Mode\tStartCalibrationIntent\n"
                             "Set Charge Limit\tSetChargeLimitIntent\n"
                             "Get Battery Percentage\tGetBatteryPercentageIntent\n"
                             "Get Charge Limit\tGetChargeLimitIntent\n"
                             "Get Charging State\tGetChargingStateIntent\n"
                             "Get Battery Temperature\tGetTemperatureIntent\n"
                             "Set MagSafe LED\tSetMagSafeLEDIntent\n"
                             "\n"
                             "App Shortcuts of Tallowmere:\n"
                             "Charge to Full\tCharge to full with Tallowmere\tTopUpIntent\n"
                             "Pause Charging\tPause charging with Tallowmere\tPauseChargingIntent\n"
                             "Start Discharging\tStart discharging with Tallowmere\tStartDischargeIntent\n"
                             "Calibrate Battery\tCalibrate the battery with Tallowmere\tStartCalibrationIntent\n"
                             "Set Charge Limit\tSet the charge limit with Tallowmere\tSetChargeLimitIntent\n");

    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"run", "TopUpIntent"}, "Tallowmere started charging to full.\n"},
        {{"run", "PauseChargingIntent"}, "Charging paused at 70%.\n"},
        {{"run", "StartDischargeIntent"}, "Tallowmere started discharging.\n"},
        {{"run", "StartCalibrationIntent"}, "Tallowmere started calibrating the battery.\n"},
        {{"run", "设置 MagSafe LED", "mode=blinkOrange"}, "The MagSafe LED was updated.\n"},
        {{"run", "GetChargingStateIntent"}, "Charging state: Calibrating\nCalibrating\n"},
    };
    for (const auto& [arguments, output] : runs) {
        const auto ran = shortcuts(arguments);
        EXPECT_EQ(ran.exitCode, 0) << arguments[1] << ": " << ran.errorOutput;
        EXPECT_EQ(ran.output, output) << arguments[1];
    }

    // The value as the daemon read it; the dialog with one decimal.
    const auto temperature = shortcuts({"run", "GetTemperatureIntent"});
    EXPECT_EQ(temperature.exitCode, 0) << temperature.errorOutput;
    const std::string value = temperature.output.substr(temperature.output.find('\n') + 1);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.1f", std::stod(value));
    EXPECT_NEAR(std::stod(value), 31.5, 0.5);
    EXPECT_EQ(temperature.output, "The battery is at " + std::string(shown) + " °C.\n" + value);
}

TEST_F(ShortcutsEndToEndTest, BadParametersAreRefusedAndNothingReachesTheDaemon)
{
    startMac("firmware-limit-laptop");
    approveHelper();
    ASSERT_EQ(shortcuts({"run", "SetChargeLimitIntent", "limit=75"}).exitCode, 0);

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"run", "SetChargeLimitIntent", "limit=150"}, "\"limit\" must be an integer from 20 to 100, not \"150\""},
        {{"run", "SetChargeLimitIntent", "limit=19"}, "\"limit\" must be an integer from 20 to 100, not \"19\""},
        {{"run", "SetChargeLimitIntent", "limit=sixty"}, "\"limit\" must be an integer from 20 to 100, not \"sixty\""},
        {{"run", "SetChargeLimitIntent"}, "SetChargeLimitIntent needs a value for \"limit\""},
        {{"run", "SetChargeLimitIntent", "limit=60", "force=yes"}, "SetChargeLimitIntent has no parameter \"force\""},
        {{"run", "SetMagSafeLEDIntent", "mode=blinkOrangeFast"},
         "\"mode\" must be one of system, off, green, orange, blinkOrange, not \"blinkOrangeFast\""},
        {{"run", "TopUpIntent", "limit=60"}, "TopUpIntent has no parameter \"limit\"; it takes none"},
        {{"run", "ChargeFasterIntent"}, "there is no action named \"ChargeFasterIntent\""},
    };
    for (const auto& [arguments, message] : refused) {
        const auto run = shortcuts(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments[1];
        EXPECT_NE(run.errorOutput.find(message), std::string::npos) << run.errorOutput;
        EXPECT_EQ(run.output, "");
    }
    EXPECT_EQ(shortcuts({"run", "GetChargeLimitIntent"}).output, "The charge limit is 75%.\n75\n");
}

TEST_F(ShortcutsEndToEndTest, WithTheDaemonStoppedReadingsStillAnswerFromTheLocalReading)
{
    startMac("firmware-limit-laptop");
    approveHelper();
    simmac->simmacctl({"unplug"});
    simmac->simmacctl({"level", "43"});
    simmac->request("launchd.unregister",
                    {{"bundle", (simmac->root() / "Applications/Tallowmere.app").string()},
                     {"plist", "com.velkora.charging-helper.plist"}});

    EXPECT_EQ(shortcuts({"run", "GetChargingStateIntent"}).output, "Charging state: On Battery\nOn Battery\n");
    EXPECT_EQ(shortcuts({"run", "GetBatteryPercentageIntent"}).output, "The battery is at 43%.\n43\n");
    EXPECT_EQ(shortcuts({"run", "GetTemperatureIntent"}).exitCode, 0);

    for (const std::string action : {"GetChargeLimitIntent", "TopUpIntent"}) {
        const auto failed = shortcuts({"run", action});
        EXPECT_EQ(failed.exitCode, 1) << action;
        EXPECT_EQ(failed.output, "");
        EXPECT_EQ(failed.errorOutput, "Could not connect to the charging helper.\n");
    }
}

TEST_F(ShortcutsEndToEndTest, OnAMacWithoutABatteryEveryActionSaysSo)
{
    startMac("desktop", "zh_CN");
    const std::string noBattery = "这台 Mac 没有可管理的内置电池，此快捷指令不可用。\n";
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"TopUpIntent"},
             {"PauseChargingIntent"},
             {"StartDischargeIntent"},
             {"StartCalibrationIntent"},
             {"SetChargeLimitIntent", "limit=60"},
             {"SetMagSafeLEDIntent", "mode=green"},
             {"GetBatteryPercentageIntent"},
             {"GetChargeLimitIntent"},
             {"GetChargingStateIntent"},
             {"GetTemperatureIntent"},
         }) {
        std::vector<std::string> command{"run"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const auto failed = shortcuts(command);
        EXPECT_EQ(failed.exitCode, 1) << arguments[0];
        EXPECT_EQ(failed.errorOutput, noBattery);
    }
    // Nothing started the daemon.
    for (const auto& job : simmac->status()["launchd"]["jobs"]) {
        EXPECT_TRUE(job["pid"].is_null()) << job.dump();
    }
}

TEST_F(ShortcutsEndToEndTest, WithTheApplicationQuitTheToolSaysItIsNotRunning)
{
    startMac("firmware-limit-laptop", "zh_CN");
    EXPECT_EQ(shortcuts({"run", "获取温度"}).exitCode, 0);
    quitApplication();
    const auto after = shortcuts({"run", "GetTemperatureIntent"});
    EXPECT_EQ(after.exitCode, 3);
    EXPECT_EQ(after.errorOutput, "shortcuts: no application that offers shortcuts is running\n");
}

}  // namespace
