#include "AppKit/NSWorkspace.h"
#include "ServiceManagement/SMAppService.h"
#include "Simulator/SimmacConnection.h"
#include "TestSupport/SimmacProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <signal.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::NSRunningApplication;
using platform::NSWorkspace;
using platform::NSWorkspaceNotification;

const std::string systemSettings = "com.apple.systempreferences";

bool eventually(const std::function<bool()>& condition)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > 15000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct Seen {
    std::string bundleIdentifier;
    pid_t pid = 0;
};

// What a workspace observer heard, and a way to end what was opened.
class WorkspaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        activations = NSWorkspace::shared().addObserver(
            NSWorkspaceNotification::didActivateApplication, [this](const NSRunningApplication& application) {
                activated.push_back({application.bundleIdentifier().value_or(""), application.processIdentifier()});
            });
        terminations = NSWorkspace::shared().addObserver(
            NSWorkspaceNotification::didTerminateApplication, [this](const NSRunningApplication& application) {
                terminated.push_back({application.bundleIdentifier().value_or(""), application.processIdentifier()});
            });
    }

    void TearDown() override
    {
        for (const NSRunningApplication& application : settingsRunning()) {
            ::kill(application.processIdentifier(), SIGTERM);
        }
    }

    std::vector<NSRunningApplication> settingsRunning() const
    {
        std::vector<NSRunningApplication> found;
        for (const NSRunningApplication& application : NSWorkspace::shared().runningApplications()) {
            if (application.bundleIdentifier() == systemSettings) {
                found.push_back(application);
            }
        }
        return found;
    }

    testsupport::SimmacProcess simmac;
    std::vector<Seen> activated;
    std::vector<Seen> terminated;
    std::unique_ptr<platform::NSWorkspaceObservation> activations;
    std::unique_ptr<platform::NSWorkspaceObservation> terminations;
};

TEST_F(WorkspaceTest, OpeningLoginItemsStartsSystemSettingsOnceAndTellsEachActivationAndItsEnd)
{
    platform::SMAppService::openSystemSettingsLoginItems();
    ASSERT_TRUE(eventually([&] { return !activated.empty(); }));
    ASSERT_EQ(settingsRunning().size(), 1u);
    const pid_t settings = settingsRunning().front().processIdentifier();
    EXPECT_EQ(activated.front().bundleIdentifier, systemSettings);
    EXPECT_EQ(activated.front().pid, settings);
    EXPECT_EQ(settingsRunning().front().localizedName(), "System Settings");

    // Another application comes to the front, then Login Items is opened again:
    // the running System Settings comes back instead of a second one.
    simulator::SimmacConnection other;
    other.request("workspace.launch", {{"bundleIdentifier", "com.velkora.workspace-test"}, {"name", "Other"}});
    other.request("workspace.activate");
    ASSERT_TRUE(eventually([&] { return activated.size() == 2; }));
    EXPECT_EQ(activated.back().bundleIdentifier, "com.velkora.workspace-test");
    platform::SMAppService::openSystemSettingsLoginItems();
    ASSERT_TRUE(eventually([&] { return activated.size() == 3; }));
    EXPECT_EQ(activated.back().bundleIdentifier, systemSettings);
    EXPECT_EQ(activated.back().pid, settings);
    EXPECT_EQ(settingsRunning().size(), 1u);
    EXPECT_TRUE(terminated.empty());

    ::kill(settings, SIGTERM);
    ASSERT_TRUE(eventually([&] { return !terminated.empty(); }));
    EXPECT_EQ(terminated.front().bundleIdentifier, systemSettings);
    EXPECT_EQ(terminated.front().pid, settings);
    EXPECT_TRUE(settingsRunning().empty());
}

TEST_F(WorkspaceTest, SystemSettingsQuitsWhenTheSimulatedMacStops)
{
    platform::SMAppService::openSystemSettingsLoginItems();
    ASSERT_TRUE(eventually([&] { return settingsRunning().size() == 1; }));
    const pid_t settings = settingsRunning().front().processIdentifier();
    simmac.stop();
    // The process that opened it reaps it once it has ended.
    EXPECT_TRUE(eventually([&] { return ::kill(settings, 0) != 0; }));
}

TEST_F(WorkspaceTest, AnAnnouncementIsRefusedWithoutItsNamesAndOnlyOncePerConnection)
{
    simulator::SimmacConnection application;
    EXPECT_THROW(application.request("workspace.launch", {{"bundleIdentifier", ""}, {"name", "Nameless"}}),
                 simulator::SimmacError);
    EXPECT_THROW(application.request("workspace.launch",
                                     {{"bundleIdentifier", std::string(300, 'a')}, {"name", "Long"}}),
                 simulator::SimmacError);
    EXPECT_THROW(application.request("workspace.activate"), simulator::SimmacError);
    application.request("workspace.launch", {{"bundleIdentifier", "com.velkora.once"}, {"name", "Once"}});
    EXPECT_THROW(application.request("workspace.launch", {{"bundleIdentifier", "com.velkora.twice"}, {"name", "Twice"}}),
                 simulator::SimmacError);
    EXPECT_THROW(simmac.request("workspace.activate", {{"pid", 999999}}), std::runtime_error);
    ASSERT_EQ(NSWorkspace::shared().runningApplications().size(), 1u);
    EXPECT_EQ(NSWorkspace::shared().runningApplications().front().bundleIdentifier(), "com.velkora.once");
}

}  // namespace
