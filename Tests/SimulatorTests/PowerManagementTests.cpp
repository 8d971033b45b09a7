#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <asio.hpp>
#include <thread>

#include "IOKit/pwr_mgt/IOPMLib.h"
#include "ProcessInfo/ProcessInfo.h"
#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

namespace {

nlohmann::ordered_json assertionsOf(const SimmacProcess& simmac)
{
    return simmac.status()["assertions"];
}

// A process that registers for system power messages and answers them from an
// io_context watching the notification port, as the daemon's main run loop does.
struct PowerListener {
    static void callback(void* refcon, io_service_t, natural_t message, void* argument)
    {
        auto* self = static_cast<PowerListener*>(refcon);
        self->received.push_back(message);
        if (self->acknowledge && (message == kIOMessageCanSystemSleep || message == kIOMessageSystemWillSleep)) {
            IOAllowPowerChange(self->rootPort, reinterpret_cast<std::intptr_t>(argument));
        }
    }

    void start()
    {
        rootPort = IORegisterForSystemPower(this, &port, &PowerListener::callback, &notifier);
        ASSERT_NE(rootPort, IO_OBJECT_NULL);
        watch.assign(IONotificationPortGetFileDescriptor(port));
        arm();
    }

    void arm()
    {
        watch.async_wait(asio::posix::descriptor_base::wait_read, [this](const std::error_code& error) {
            if (!error) {
                IONotificationPortDispatchPending(port);
                arm();
            }
        });
    }

    void stop()
    {
        watch.cancel();
        watch.release();
        EXPECT_EQ(IODeregisterForSystemPower(&notifier), kIOReturnSuccess);
        IONotificationPortDestroy(port);
        EXPECT_EQ(IOServiceClose(rootPort), kIOReturnSuccess);
    }

    asio::io_context context;
    asio::posix::stream_descriptor watch{context};
    IONotificationPortRef port = nullptr;
    io_object_t notifier = IO_OBJECT_NULL;
    io_connect_t rootPort = IO_OBJECT_NULL;
    bool acknowledge = true;
    std::vector<natural_t> received;
};

}  // namespace

TEST(PowerAssertions, HeldOnesAreListedWithTheirNamesUntilReleased)
{
    SimmacProcess simmac;
    IOPMAssertionID first = 0;
    IOPMAssertionID second = 0;
    ASSERT_EQ(IOPMAssertionCreateWithName(kIOPMAssertionTypePreventUserIdleSystemSleep, kIOPMAssertionLevelOn,
                                          "Tallowmere正在充电至设定上限", &first),
              kIOReturnSuccess);
    ASSERT_EQ(IOPMAssertionCreateWithName(kIOPMAssertionTypePreventSystemSleep, kIOPMAssertionLevelOn, "second",
                                          &second),
              kIOReturnSuccess);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);

    auto held = assertionsOf(simmac);
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[0]["type"], "PreventUserIdleSystemSleep");
    EXPECT_EQ(held[0]["level"], 255);
    EXPECT_EQ(held[0]["name"], "Tallowmere正在充电至设定上限");
    EXPECT_EQ(held[0]["pid"], getpid());

    EXPECT_EQ(IOPMAssertionRelease(first), kIOReturnSuccess);
    EXPECT_EQ(IOPMAssertionRelease(first), kIOReturnNotFound);
    held = assertionsOf(simmac);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0]["name"], "second");

    IOPMAssertionID unused = 0;
    EXPECT_EQ(IOPMAssertionCreateWithName("KeepTheLightsOn", kIOPMAssertionLevelOn, "x", &unused),
              kIOReturnBadArgument);
    EXPECT_EQ(IOPMAssertionCreateWithName(kIOPMAssertionTypePreventSystemSleep, 7, "x", &unused),
              kIOReturnBadArgument);
    EXPECT_EQ(IOPMAssertionCreateWithName(kIOPMAssertionTypePreventSystemSleep, kIOPMAssertionLevelOn, nullptr,
                                          &unused),
              kIOReturnBadArgument);
}

TEST(PowerAssertions, ACrashedProcessLosesItsAssertions)
{
    SimmacProcess simmac;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        IOPMAssertionID identifier = 0;
        const IOReturn status = IOPMAssertionCreateWithName(kIOPMAssertionTypePreventUserIdleSystemSleep,
                                                            kIOPMAssertionLevelOn, "held by the child", &identifier);
        const char done = status == kIOReturnSuccess ? 'y' : 'n';
        (void)!write(ready[1], &done, 1);
        pause();
        _exit(0);
    }
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    ASSERT_EQ(done, 'y');
    ASSERT_EQ(assertionsOf(simmac).size(), 1u);
    EXPECT_EQ(assertionsOf(simmac)[0]["pid"], child);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    for (int i = 0; i < 200 && !assertionsOf(simmac).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(assertionsOf(simmac).empty());
    close(ready[0]);
    close(ready[1]);
}

TEST(SystemPower, ASleepReachesARegisteredProcessAndItsAcknowledgementIsRecorded)
{
    SimmacProcess simmac;
    PowerListener listener;
    listener.start();
    const auto clients = simmac.status()["powerNotifications"]["clients"];
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0]["pid"], getpid());

    // simmacctl waits for the sleep while this thread's run loop answers.
    nlohmann::ordered_json record;
    std::thread sleeper([&] { record = nlohmann::ordered_json::parse(simmac.simmacctl({"sleep"}).output); });
    while (listener.received.size() < 2) {
        listener.context.run_one_for(std::chrono::seconds(10));
    }
    sleeper.join();
    EXPECT_EQ(listener.received, (std::vector<natural_t>{kIOMessageCanSystemSleep, kIOMessageSystemWillSleep}));
    ASSERT_EQ(record["acknowledgements"].size(), 2u);
    EXPECT_EQ(record["acknowledgements"][0]["message"], "canSleep");
    EXPECT_EQ(record["acknowledgements"][1]["message"], "willSleep");
    for (const auto& entry : record["acknowledgements"]) {
        EXPECT_EQ(entry["acknowledged"], true);
        EXPECT_EQ(entry["pid"], getpid());
    }
    const auto status = simmac.status()["powerNotifications"];
    EXPECT_EQ(status["asleep"], true);
    EXPECT_EQ(status["lastSleep"], record["acknowledgements"]);

    EXPECT_EQ(simmac.simmacctl({"wake"}).exitCode, 0);
    while (listener.received.size() < 4) {
        listener.context.run_one_for(std::chrono::seconds(10));
    }
    EXPECT_EQ(listener.received[2], kIOMessageSystemWillPowerOn);
    EXPECT_EQ(listener.received[3], kIOMessageSystemHasPoweredOn);
    EXPECT_EQ(simmac.status()["powerNotifications"]["asleep"], false);

    listener.stop();
    EXPECT_TRUE(simmac.status()["powerNotifications"]["clients"].empty());
}

TEST(SystemPower, AProcessThatDoesNotAnswerIsWaitedForOnlyUntilTheTimeOut)
{
    SimmacProcess simmac;
    PowerListener listener;
    listener.acknowledge = false;
    listener.start();
    nlohmann::ordered_json record;
    std::thread sleeper([&] { record = simmac.request("pm.sleep", {{"timeout", 0.2}}); });
    while (listener.received.size() < 2) {
        listener.context.run_one_for(std::chrono::seconds(10));
    }
    sleeper.join();
    ASSERT_EQ(record["acknowledgements"].size(), 2u);
    EXPECT_EQ(record["acknowledgements"][1]["acknowledged"], false);
    EXPECT_TRUE(record["acknowledgements"][1]["milliseconds"].is_null());

    const auto again = simmac.simmacctl({"sleep"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.errorOutput, "simmacctl: the machine is already asleep\n");
    listener.stop();
}

TEST(SystemPower, APortGoesQuietWhenSimmacIsGone)
{
    SimmacProcess simmac;
    PowerListener listener;
    listener.start();
    const int duplicate = ::dup(IONotificationPortGetFileDescriptor(listener.port));
    const auto readable = [&](int milliseconds) {
        pollfd entry{duplicate, POLLIN, 0};
        return ::poll(&entry, 1, milliseconds) > 0;
    };
    simmac.stop();
    EXPECT_TRUE(readable(5000));
    EXPECT_EQ(IONotificationPortDispatchPending(listener.port), 0u);
    // No run loop spins on a closed connection.
    EXPECT_FALSE(readable(50));
    ::close(duplicate);
    listener.watch.release();
    IONotificationPortDestroy(listener.port);
}

TEST(SystemPower, RegistrationNeedsSimmacAndItsArguments)
{
    SimmacProcess simmac;
    IONotificationPortRef port = nullptr;
    io_object_t notifier = IO_OBJECT_NULL;
    EXPECT_EQ(IORegisterForSystemPower(nullptr, &port, nullptr, &notifier), IO_OBJECT_NULL);
    EXPECT_EQ(IOAllowPowerChange(IO_OBJECT_NULL, 1), kIOReturnBadArgument);
    EXPECT_EQ(IODeregisterForSystemPower(&notifier), kIOReturnBadArgument);
    EXPECT_EQ(IONotificationPortGetFileDescriptor(nullptr), -1);
    EXPECT_EQ(IONotificationPortDispatchPending(nullptr), 0u);
    IONotificationPortRef unused = IONotificationPortCreate(kIOMainPortDefault);
    EXPECT_EQ(IONotificationPortGetFileDescriptor(unused), -1);
    EXPECT_EQ(IONotificationPortDispatchPending(unused), 0u);
    IONotificationPortDestroy(unused);

    simmac.stop();
    EXPECT_EQ(IORegisterForSystemPower(nullptr, &port, [](void*, io_service_t, natural_t, void*) {}, &notifier),
              IO_OBJECT_NULL);
}

TEST(OperatingSystem, AProcessReadsTheVersionSimmacRuns)
{
    SimmacProcess simmac;
    auto version = platform::ProcessInfo::operatingSystemVersion();
    EXPECT_EQ(version.majorVersion, 26);
    EXPECT_EQ(version.minorVersion, 1);
    ASSERT_EQ(simmac.simmacctl({"os", "15.6.1"}).exitCode, 0);
    version = platform::ProcessInfo::operatingSystemVersion();
    EXPECT_EQ(version.majorVersion, 15);
    EXPECT_EQ(version.minorVersion, 6);
    EXPECT_EQ(version.patchVersion, 1);

    const auto bad = simmac.simmacctl({"os", "twenty-six"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.errorOutput,
              "simmacctl: bad operating-system version \"twenty-six\": use MAJOR[.MINOR[.PATCH]], for example 26.1\n");

    simmac.stop();
    EXPECT_EQ(platform::ProcessInfo::operatingSystemVersion().majorVersion, 0);
}
