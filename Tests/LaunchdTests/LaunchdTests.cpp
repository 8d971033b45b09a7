#include "Foundation/NSError.h"
#include "ServiceManagement/SMAppService.h"
#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"
#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCListener.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::NSError;
using platform::SMAppService;
using platform::SMDaemonService;
using Json = nlohmann::ordered_json;

const std::string label = "com.velkora.test-helper";
const std::string plistName = "com.velkora.test-helper.plist";
const std::string program = "Contents/Library/LaunchDaemons/LaunchdTestDaemon";

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

// A daemon started on demand; a throttle of a second keeps the tests' restarts quick.
std::string manifest(const std::string& programKey = "<key>BundleProgram</key><string>" + program + "</string>",
                     const std::string& machServices = "<key>" + label + "</key><true/>",
                     const std::string& environment = "<key>TALLOWMERE_HELPER_BUILD</key><string>202612090500</string>"
                                                      "<key>SIMMAC_ROOT</key><string>/elsewhere</string>")
{
    return plist("<dict><key>Label</key><string>" + label + "</string>" + programKey +
                 "<key>MachServices</key><dict>" + machServices +
                 "</dict><key>ThrottleInterval</key><integer>1</integer>"
                 "<key>EnvironmentVariables</key><dict><key>TEST_MACH_SERVICE</key><string>" + label +
                 "</string>" + environment + "</dict></dict>");
}

// The test daemon as `name`, with launchd's `keys` for when it runs and the
// `environment` entries.
std::string daemonManifest(const std::string& name, const std::string& keys, const std::string& environment = "")
{
    return plist("<dict><key>Label</key><string>" + name + "</string><key>BundleProgram</key><string>" + program +
                 "</string><key>MachServices</key><dict><key>" + name + "</key><true/></dict>" + keys +
                 "<key>EnvironmentVariables</key><dict><key>TEST_MACH_SERVICE</key><string>" + name + "</string>" +
                 environment + "</dict></dict>");
}

// Run whether or not a client comes, and started again after every exit.
const std::string keptAlive =
    "<key>RunAtLoad</key><true/><key>KeepAlive</key><true/><key>ThrottleInterval</key><integer>1</integer>";

void writeFile(const fs::path& file, const std::string& contents)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << contents;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds within = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The daemon's answer to a ping on a fresh connection, or what went wrong.
std::string ping(const std::string& service = label)
{
    auto connection = std::make_shared<platform::NSXPCConnection>(service, platform::NSXPCConnectionOptions::none);
    connection->setRemoteObjectInterface(platform::NSXPCInterface(
        "LaunchdTestDaemon", {{"pingWithReply:", platform::NSXPCArgument::none, platform::NSXPCReplyShape::text}}));
    connection->resume();
    auto answer = std::make_shared<std::promise<std::string>>();
    connection
        ->remoteObjectProxyWithErrorHandler(
            [answer](const NSError& error) { answer->set_value("error: " + error.localizedDescription()); })
        .send("pingWithReply:", std::nullopt,
              [answer](platform::NSXPCReplyValue value) { answer->set_value(value.text.value_or("")); });
    std::future<std::string> reply = answer->get_future();
    const std::string text = reply.wait_for(15s) == std::future_status::ready ? reply.get() : "no answer";
    connection->invalidate();
    return text;
}

class LaunchdTest : public testing::Test {
protected:
    fs::path bundle() const { return simmac.root() / "Applications/Helper Test.app"; }
    fs::path daemons() const { return bundle() / "Contents/Library/LaunchDaemons"; }

    void makeBundle(const std::string& propertyList = manifest()) const
    {
        fs::create_directories(daemons());
        fs::copy_file(LAUNCHD_TEST_DAEMON, daemons() / "LaunchdTestDaemon", fs::copy_options::overwrite_existing);
        writeFile(daemons() / plistName, propertyList);
    }

    // The job's entry in simmac's status, or null.
    Json job() const
    {
        const Json status = simulator::SimmacConnection().request("status");
        for (const Json& entry : status["launchd"]["jobs"]) {
            if (entry["label"] == label) {
                return entry;
            }
        }
        return nullptr;
    }

    std::optional<pid_t> daemonProcess() const
    {
        const Json entry = job();
        if (entry.is_null() || entry["pid"].is_null()) {
            return std::nullopt;
        }
        return entry["pid"].get<pid_t>();
    }

    // The processes running the bundle's copy of the test daemon, whoever started them.
    std::vector<pid_t> runningCopies() const
    {
        std::vector<pid_t> found;
        std::error_code ignored;
        const fs::path copy = fs::canonical(daemons() / "LaunchdTestDaemon", ignored);
        for (const fs::directory_entry& entry : fs::directory_iterator("/proc", ignored)) {
            std::error_code unreadable;
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") == std::string::npos &&
                fs::read_symlink(entry.path() / "exe", unreadable) == copy && !unreadable) {
                found.push_back(std::stoi(name));
            }
        }
        return found;
    }

    testsupport::SimmacProcess simmac;
};

std::string valueIn(const std::string& answer, const std::string& key)
{
    const size_t start = answer.find(key + "=");
    if (start == std::string::npos) {
        return "";
    }
    const size_t from = start + key.size() + 1;
    return answer.substr(from, answer.find(' ', from) - from);
}

TEST_F(LaunchdTest, ARegisteredDaemonWaitsForApprovalThenStartsOnDemandAndStopsWhenUnregistered)
{
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_EQ(daemon.status(), SMAppService::Status::notRegistered);

    try {
        daemon.registerService();
        FAIL() << "registration needed no approval";
    } catch (const NSError& error) {
        EXPECT_EQ(error.domain(), platform::SMAppServiceErrorDomain);
        EXPECT_EQ(error.code(), platform::SMAppServiceErrorLaunchDeniedByUser);
        EXPECT_NE(error.localizedDescription().find("simmacctl approve " + label), std::string::npos) << error.what();
        const auto underlying = std::any_cast<std::shared_ptr<const NSError>>(
            error.userInfo().at(platform::NSUnderlyingErrorKey));
        EXPECT_EQ(underlying->domain(), platform::NSPOSIXErrorDomain);
        EXPECT_EQ(underlying->code(), EPERM);
    }
    EXPECT_EQ(daemon.status(), SMAppService::Status::requiresApproval);
    const fs::path socket = platform::NSXPCListener::socketPathForMachService(label);
    EXPECT_FALSE(fs::exists(socket)) << "nothing listens before the approval";

    const auto approved = simmac.simmacctl({"approve", label});
    EXPECT_EQ(approved.exitCode, 0) << approved.errorOutput;
    EXPECT_EQ(approved.output, label + "\tenabled\n");
    EXPECT_EQ(daemon.status(), SMAppService::Status::enabled);
    EXPECT_TRUE(fs::is_socket(socket));
    EXPECT_EQ(daemonProcess(), std::nullopt) << "the daemon starts only when a client connects";

    const std::string first = ping();
    // Started with simmac's own credentials: root, as every test run in CI.
    EXPECT_EQ(valueIn(first, "uid"), std::to_string(::geteuid())) << first;
    EXPECT_EQ(valueIn(first, "build"), "202612090500") << first;
    EXPECT_EQ(valueIn(first, "root"), simmac.root().string()) << "simmac's root wins over the property list";
    EXPECT_EQ(valueIn(first, "socket"), "3") << first;
    const std::optional<pid_t> firstProcess = daemonProcess();
    ASSERT_TRUE(firstProcess);
    EXPECT_EQ(valueIn(first, "pid"), std::to_string(*firstProcess));
    EXPECT_EQ(valueIn(ping(), "pid"), std::to_string(*firstProcess)) << "a running daemon serves the next client";

    // After it exits, the next client starts it again.
    ASSERT_EQ(::kill(*firstProcess, SIGKILL), 0);
    EXPECT_TRUE(eventually([&] { return daemonProcess() != firstProcess; }));
    const std::string second = ping();
    EXPECT_NE(valueIn(second, "pid"), std::to_string(*firstProcess)) << second;
    const std::optional<pid_t> secondProcess = daemonProcess();
    ASSERT_TRUE(secondProcess);
    EXPECT_EQ(job()["starts"], 2);

    daemon.unregisterService();
    EXPECT_EQ(daemon.status(), SMAppService::Status::notRegistered);
    EXPECT_FALSE(fs::exists(socket));
    EXPECT_EQ(::kill(*secondProcess, 0), -1) << "the daemon is stopped before unregistering returns";
    EXPECT_EQ(ping().rfind("error: ", 0), 0u);
    EXPECT_NO_THROW(daemon.unregisterService());

    // The user's approval outlives the registration.
    EXPECT_NO_THROW(daemon.registerService());
    EXPECT_EQ(daemon.status(), SMAppService::Status::enabled);
    EXPECT_NE(ping().find("uid="), std::string::npos);
}

TEST_F(LaunchdTest, PropertyListsThatCannotBeUsedAreRefusedWithTheReason)
{
    SMDaemonService daemon(bundle(), plistName);
    try {
        daemon.registerService();
        FAIL() << "registered without a property list";
    } catch (const NSError& error) {
        EXPECT_EQ(error.domain(), platform::SMAppServiceErrorDomain);
        EXPECT_EQ(error.code(), platform::SMAppServiceErrorPropertyListNotFound);
        EXPECT_NE(error.localizedDescription().find(plistName), std::string::npos) << error.what();
    }
    EXPECT_EQ(daemon.status(), SMAppService::Status::notFound);

    const struct {
        const char* name;
        std::string propertyList;
        std::string reason;
    } cases[] = {
        {"not a dictionary", plist("<array/>"), "is not a dictionary"},
        {"not a property list", "Label = x", "cannot read"},
        {"no program", manifest(""), "names no BundleProgram or Program"},
        {"a program outside the bundle", manifest("<key>BundleProgram</key><string>../../../bin/sh</string>"),
         "lies outside the bundle"},
        {"an absolute program that is not in the bundle", manifest("<key>Program</key><string>/bin/sh</string>"),
         "cannot be used"},
        {"a program that is not executable", manifest("<key>BundleProgram</key><string>Contents/Info.plist</string>"),
         "is not an executable file"},
        {"no mach service", manifest("<key>BundleProgram</key><string>" + program + "</string>", ""),
         "exactly one mach service"},
        {"two mach services",
         manifest("<key>BundleProgram</key><string>" + program + "</string>",
                  "<key>" + label + "</key><true/><key>com.velkora.other</key><true/>"),
         "exactly one mach service"},
        {"an environment value that is not text",
         manifest("<key>BundleProgram</key><string>" + program + "</string>", "<key>" + label + "</key><true/>",
                  "<key>VELKORA_DEBUG</key><integer>1</integer>"),
         "EnvironmentVariables holds a value that is not text for \"VELKORA_DEBUG\""},
        {"a RunAtLoad that is text", daemonManifest(label, "<key>RunAtLoad</key><string>yes</string>"),
         "RunAtLoad is not true or false"},
        {"a KeepAlive of conditions",
         daemonManifest(label, "<key>KeepAlive</key><dict><key>SuccessfulExit</key><false/></dict>"),
         "KeepAlive must be true or false, not a dictionary of conditions"},
        {"no throttle", daemonManifest(label, "<key>ThrottleInterval</key><integer>0</integer>"),
         "ThrottleInterval must be a whole number of seconds from 1 to 86400"},
        {"a throttle of a fraction", daemonManifest(label, "<key>ThrottleInterval</key><real>0.5</real>"),
         "ThrottleInterval must be a whole number of seconds"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        makeBundle(testCase.propertyList);
        writeFile(bundle() / "Contents/Info.plist", plist("<dict/>"));
        try {
            daemon.registerService();
            ADD_FAILURE() << "registered";
        } catch (const NSError& error) {
            EXPECT_EQ(error.domain(), platform::SMAppServiceErrorDomain);
            EXPECT_EQ(error.code(), platform::SMAppServiceErrorRequestRefused);
            EXPECT_NE(error.localizedDescription().find(testCase.reason), std::string::npos) << error.what();
        }
        EXPECT_NE(daemon.status(), SMAppService::Status::requiresApproval);
        EXPECT_TRUE(job().is_null());
    }
}

TEST_F(LaunchdTest, ApprovalNeedsARegistrationAndAFreeSocket)
{
    const auto unknown = simmac.simmacctl({"approve", label});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.errorOutput.find("no background item \"" + label + "\" is registered"), std::string::npos)
        << unknown.errorOutput;

    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    {
        // Someone else already serves the mach service.
        platform::NSXPCListener squatter(label);
        squatter.resume();
        const auto refused = simmac.simmacctl({"approve", label});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.errorOutput.find("another listener serves"), std::string::npos) << refused.errorOutput;
    }
    // The approval stands; registering again starts listening.
    EXPECT_NO_THROW(daemon.registerService());
    EXPECT_EQ(daemon.status(), SMAppService::Status::enabled);
    EXPECT_NE(ping().find("uid="), std::string::npos);
}

TEST_F(LaunchdTest, AProgramSwappedForOneOutsideTheBundleIsNotStarted)
{
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    simmac.simmacctl({"approve", label});

    fs::remove(daemons() / "LaunchdTestDaemon");
    fs::create_symlink("/bin/sh", daemons() / "LaunchdTestDaemon");
    EXPECT_EQ(ping().rfind("error: ", 0), 0u);
    EXPECT_EQ(job()["starts"], 0);
    EXPECT_FALSE(fs::exists(platform::NSXPCListener::socketPathForMachService(label)));

    // A new registration reads the bundle again and refuses it.
    try {
        daemon.registerService();
        ADD_FAILURE() << "registered";
    } catch (const NSError& error) {
        EXPECT_NE(error.localizedDescription().find("lies outside the bundle"), std::string::npos) << error.what();
    }
}

TEST_F(LaunchdTest, DisapprovingStopsTheDaemonAndKeepsItWaitingForApprovalAgain)
{
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    simmac.simmacctl({"approve", label});
    ASSERT_NE(ping().find("pid="), std::string::npos);
    const std::optional<pid_t> running = daemonProcess();
    ASSERT_TRUE(running);

    const auto disapproved = simmac.simmacctl({"disapprove", label});
    EXPECT_EQ(disapproved.exitCode, 0) << disapproved.errorOutput;
    EXPECT_EQ(disapproved.output, label + "\trequiresApproval\n");
    EXPECT_EQ(::kill(*running, 0), -1) << "the daemon is stopped before disapproving returns";
    EXPECT_EQ(daemon.status(), SMAppService::Status::requiresApproval);
    EXPECT_FALSE(fs::exists(platform::NSXPCListener::socketPathForMachService(label)));
    EXPECT_EQ(ping().rfind("error: ", 0), 0u);
    // Turning it off twice is no error; an unknown item is.
    EXPECT_EQ(simmac.simmacctl({"disapprove", label}).exitCode, 0);
    EXPECT_NE(simmac.simmacctl({"disapprove", "com.velkora.unknown"}).exitCode, 0);

    simmac.simmacctl({"approve", label});
    EXPECT_EQ(daemon.status(), SMAppService::Status::enabled);
    const std::string again = ping();
    EXPECT_NE(valueIn(again, "pid"), std::to_string(*running)) << again;
}

TEST_F(LaunchdTest, WithoutSystemSettingsOpeningLoginItemsNamesTheApprovalCommand)
{
    fs::remove(simmac.root() / "System/Applications/System Settings.app");
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);

    testing::internal::CaptureStderr();
    SMAppService::openSystemSettingsLoginItems();
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("System Settings is not installed at "), std::string::npos) << told;
    EXPECT_NE(told.find("\"" + label + "\" waits for your approval; approve it with: simmacctl approve " + label),
              std::string::npos)
        << told;
    EXPECT_EQ(daemon.status(), SMAppService::Status::requiresApproval);
}

TEST_F(LaunchdTest, RegisteringFromAnotherBundleMovesTheJobThere)
{
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    simmac.simmacctl({"approve", label});
    const std::string first = ping();
    const pid_t firstProcess = std::stoi(valueIn(first, "pid"));

    const fs::path moved = simmac.root() / "Applications/Moved.app";
    fs::create_directories(moved / "Contents/Library/LaunchDaemons");
    fs::copy(daemons(), moved / "Contents/Library/LaunchDaemons", fs::copy_options::recursive);
    SMDaemonService movedDaemon(moved, plistName);
    EXPECT_NO_THROW(movedDaemon.registerService());
    EXPECT_EQ(job()["bundle"], moved.string());
    EXPECT_TRUE(eventually([&] { return ::kill(firstProcess, 0) == -1; })) << "the old daemon is stopped";
    EXPECT_NE(valueIn(ping(), "pid"), std::to_string(firstProcess));
}

TEST_F(LaunchdTest, StoppingSimmacStopsItsDaemonsAndCannotBeAskedAfterwards)
{
    makeBundle();
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    simmac.simmacctl({"approve", label});
    const pid_t process = std::stoi(valueIn(ping(), "pid"));

    simmac.stop();
    EXPECT_EQ(::kill(process, 0), -1);
    EXPECT_FALSE(fs::exists(platform::NSXPCListener::socketPathForMachService(label)));
    EXPECT_EQ(daemon.status(), SMAppService::Status::notRegistered);
    try {
        daemon.registerService();
        FAIL() << "registered without simmac";
    } catch (const NSError& error) {
        EXPECT_EQ(error.code(), platform::SMAppServiceErrorServiceManagerUnavailable);
        EXPECT_NE(error.localizedDescription().find("simmac is not running"), std::string::npos) << error.what();
    }
}

TEST_F(LaunchdTest, ADaemonKeptAliveStartsAtApprovalWithoutAClientAndAfterEveryExitUntilUnregistered)
{
    makeBundle(daemonManifest(label, keptAlive));
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(daemonProcess(), std::nullopt) << "nothing runs before the approval";

    simmac.simmacctl({"approve", label});
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 5s)) << "the approval alone starts it";
    const pid_t first = *daemonProcess();
    EXPECT_EQ(job()["keepAlive"], true);
    EXPECT_EQ(job()["starts"], 1);

    // Killed after a run longer than its throttle, it is started again at
    // once, with no client asking for it.
    std::this_thread::sleep_for(1100ms);
    ASSERT_EQ(::kill(first, SIGKILL), 0);
    ASSERT_TRUE(eventually([&] { return daemonProcess().value_or(first) != first; }, 3s));
    const pid_t second = *daemonProcess();
    EXPECT_EQ(job()["starts"], 2);
    EXPECT_EQ(valueIn(ping(), "pid"), std::to_string(second)) << "it serves clients on the socket it was handed";
    EXPECT_EQ(runningCopies(), std::vector<pid_t>{second});

    daemon.unregisterService();
    EXPECT_EQ(::kill(second, 0), -1) << "stopped before unregistering returns";
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(runningCopies(), std::vector<pid_t>{}) << "nothing starts it again once it is unregistered";
    EXPECT_FALSE(fs::exists(platform::NSXPCListener::socketPathForMachService(label)));
}

TEST_F(LaunchdTest, ADaemonThatExitsAtOnceIsStartedOncePerThrottleAndNoMoreOnceItIsNoLongerExecutable)
{
    makeBundle(daemonManifest(label, keptAlive, "<key>TEST_EXIT_AT_ONCE</key><string>1</string>"));
    SMDaemonService daemon(bundle(), plistName);
    EXPECT_THROW(daemon.registerService(), NSError);
    simmac.simmacctl({"approve", label});

    // Over 3.5 s a throttle of one second allows the start at approval and three more.
    std::this_thread::sleep_for(3500ms);
    const int starts = job()["starts"].get<int>();
    EXPECT_GE(starts, 2) << "an exit is followed by a start";
    EXPECT_LE(starts, 4) << "never sooner than a second after the last start";
    EXPECT_TRUE(simmac.simmacctl({"status"}).exitCode == 0) << "simmac still answers";

    fs::permissions(daemons() / "LaunchdTestDaemon", fs::perms::owner_exec | fs::perms::group_exec |
                                                         fs::perms::others_exec, fs::perm_options::remove);
    ASSERT_TRUE(eventually([&] { return !fs::exists(platform::NSXPCListener::socketPathForMachService(label)); },
                           3s))
        << "the next start finds the program unusable and closes the socket";
    const int lastStarts = job()["starts"].get<int>();
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(job()["starts"], lastStarts) << "no start is tried again";
    EXPECT_EQ(daemonProcess(), std::nullopt);
    EXPECT_NE(simmac.logText().find("Not starting " + label + ": the program "), std::string::npos);
}

TEST_F(LaunchdTest, ARestartedSimmacLoadsItsRegistrationsAgainAndStartsTheApprovedDaemonsThatRunAtLoad)
{
    makeBundle(daemonManifest(label, keptAlive));
    const std::string onDemand = "com.velkora.test-on-demand";
    const fs::path otherBundle = simmac.root() / "Applications/On Demand.app";
    fs::create_directories(otherBundle / "Contents/Library/LaunchDaemons");
    fs::copy_file(LAUNCHD_TEST_DAEMON, otherBundle / program);
    writeFile(otherBundle / "Contents/Library/LaunchDaemons/on-demand.plist", daemonManifest(onDemand, ""));
    SMDaemonService kept(bundle(), plistName);
    SMDaemonService started(otherBundle, "on-demand.plist");
    EXPECT_THROW(kept.registerService(), NSError);
    EXPECT_THROW(started.registerService(), NSError);
    simmac.simmacctl({"approve", label});
    simmac.simmacctl({"approve", onDemand});
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 5s));
    const pid_t before = *daemonProcess();

    simmac.stop();
    EXPECT_EQ(::kill(before, 0), -1);
    simmac.start();
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 5s)) << "started again with no client";
    EXPECT_NE(*daemonProcess(), before);
    EXPECT_EQ(kept.status(), SMAppService::Status::enabled);
    EXPECT_NE(ping().find("pid=" + std::to_string(*daemonProcess())), std::string::npos);
    // The one without the keys waits for its client, as before.
    EXPECT_EQ(started.status(), SMAppService::Status::enabled);
    const Json statusAfter = simmac.status();
    for (const Json& entry : statusAfter["launchd"]["jobs"]) {
        if (entry["label"] == onDemand) {
            EXPECT_EQ(entry["starts"], 0);
            EXPECT_EQ(entry["throttleInterval"], 10) << "launchd's own throttle";
        }
    }
    EXPECT_NE(ping(onDemand).find("pid="), std::string::npos);

    // What is unregistered stays so; the approval stays with the label.
    kept.unregisterService();
    simmac.stop();
    simmac.start();
    EXPECT_EQ(kept.status(), SMAppService::Status::notRegistered);
    EXPECT_TRUE(job().is_null());
    EXPECT_NO_THROW(kept.registerService());
    ASSERT_TRUE(eventually([&] { return daemonProcess().has_value(); }, 5s)) << "approved already";

    // A bundle gone while the machine was off takes its registration with it;
    // a database that cannot be read starts an empty one.
    simmac.stop();
    fs::remove_all(otherBundle);
    simmac.start();
    EXPECT_EQ(started.status(), SMAppService::Status::notFound);
    EXPECT_NE(simmac.logText().find("Dropping the registration from " + otherBundle.string()), std::string::npos);
    EXPECT_EQ(kept.status(), SMAppService::Status::enabled);
    simmac.stop();
    writeFile(simmac.root() / "var/db/simmac/launchd.json", "{\"registrations\": 7}");
    simmac.start();
    EXPECT_EQ(kept.status(), SMAppService::Status::notRegistered);
    EXPECT_NE(simmac.logText().find("Starting without registrations: "), std::string::npos);
}

}  // namespace
