#include "AppIntents/IntentRegistry.h"
#include "AppIntents/ShortcutsEndpoint.h"
#include "TestSupport/PaintIntentFields.h"
#include "TestSupport/TemporaryRoot.h"

#include <gtest/gtest.h>

#include <QFuture>
#include <QProcess>
#include <QPromise>
#include <qcoro/qcorofuture.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <list>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace platform;

std::atomic<int> paintRuns{0};
std::atomic<int> waitingRuns{0};
// Opened by a test to let every WaitingIntent finish.
std::unique_ptr<QPromise<void>> gate;

struct PaintIntent : PaintIntentFields<PaintIntent> {
    QCoro::Task<IntentResult> perform() const
    {
        ++paintRuns;
        co_return IntentResult::result(coats, LocalizedStringResource()
                                                  .appendLiteral("涂了 ")
                                                  .appendInterpolation(coats)
                                                  .appendLiteral(" 层")
                                                  .appendInterpolation(colour));
    }
};

struct TemperatureIntent {
    static constexpr std::string_view typeName = "TemperatureIntent";
    static constexpr bool openAppWhenRun = false;
    static LocalizedStringResource title() { return "温度"; }
    QCoro::Task<IntentResult> perform() const { co_return IntentResult::result(31.25, "量好了"); }
};

struct FailingIntent {
    static constexpr std::string_view typeName = "FailingIntent";
    static constexpr bool openAppWhenRun = false;
    static LocalizedStringResource title() { return "失败"; }
    QCoro::Task<IntentResult> perform() const
    {
        throw std::runtime_error("无法连接充电后台服务");
        co_return IntentResult::result("never");
    }
};

struct WaitingIntent {
    static constexpr std::string_view typeName = "WaitingIntent";
    static constexpr bool openAppWhenRun = false;
    static LocalizedStringResource title() { return "等待"; }
    QCoro::Task<IntentResult> perform() const
    {
        ++waitingRuns;
        co_await gate->future();
        co_return IntentResult::result("等到了");
    }
};

AppIntentsCatalogue testCatalogue()
{
    return {{declareIntent<PaintIntent>(), declareIntent<TemperatureIntent>(), declareIntent<FailingIntent>(),
             declareIntent<WaitingIntent>()},
            {{"Colour", "颜色", {{"green", "绿色"}, {"blinkOrange", "闪烁橙色"}}}},
            {{"PaintIntent", LocalizedStringResource().appendLiteral("用 ").appendToken("applicationName").appendLiteral(" 涂色"),
              "涂色", "paintbrush"}}};
}

struct ToolRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

QProcess* startTool(const QStringList& arguments)
{
    auto* process = new QProcess;
    process->start(QStringLiteral(SHORTCUTS_TOOL), arguments);
    return process;
}

ToolRun finish(QProcess& process)
{
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return {-1, "", "did not finish"};
    }
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

ToolRun shortcuts(const QStringList& arguments)
{
    const std::unique_ptr<QProcess> process(startTool(arguments));
    return finish(*process);
}

sockaddr_un addressOf(const fs::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// Connects, sends `bytes` and reads until the application closes the
// connection; what it answered, or "(refused)" when the connection failed.
std::string exchangeRaw(const fs::path& socketPath, const std::string& bytes)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(socketPath);
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(descriptor);
        return "(refused)";
    }
    ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    pollfd readable{descriptor, POLLIN, 0};
    while (::poll(&readable, 1, 10000) > 0) {
        const ssize_t count = ::recv(descriptor, buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(descriptor);
    return answer;
}

class ShortcutsToolTest : public testing::Test {
protected:
    void SetUp() override
    {
        paintRuns = 0;
        waitingRuns = 0;
    }

    std::unique_ptr<IntentRegistry> publish()
    {
        return std::make_unique<IntentRegistry>(testCatalogue(),
                                                IntentApplication{"com.example.painter", "Painter", "en"});
    }

    TemporaryRoot root;
};

TEST_F(ShortcutsToolTest, ListShowsEachActionsTitleAndTypeNameAndTheAppShortcutsWithTheirPhrases)
{
    const auto registry = publish();
    EXPECT_EQ(registry->socketPath(), ShortcutsEndpoint::socketPath("com.example.painter"));
    const ToolRun listed = shortcuts({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_EQ(listed.output, "涂色\tPaintIntent\n"
                             "温度\tTemperatureIntent\n"
                             "失败\tFailingIntent\n"
                             "等待\tWaitingIntent\n"
                             "\n"
                             "App Shortcuts of Painter:\n"
                             "涂色\t用 Painter 涂色\tPaintIntent\n");
}

TEST_F(ShortcutsToolTest, ARunPrintsTheDialogAndTheValueByTypeNameOrTitle)
{
    const auto registry = publish();
    const ToolRun painted = shortcuts({"run", "PaintIntent", "coats=60", "colour=blinkOrange"});
    EXPECT_EQ(painted.exitCode, 0) << painted.errors;
    EXPECT_EQ(painted.output, "涂了 60 层blinkOrange\n60\n");

    EXPECT_EQ(shortcuts({"run", "涂色", "colour=green", "coats=20"}).output, "涂了 20 层green\n20\n");
    EXPECT_EQ(paintRuns, 2);

    const ToolRun measured = shortcuts({"run", "TemperatureIntent"});
    EXPECT_EQ(measured.exitCode, 0) << measured.errors;
    EXPECT_EQ(measured.output, "量好了\n31.25\n");
}

TEST_F(ShortcutsToolTest, BadParametersAndUnknownActionsAreRefusedWithoutRunningAnything)
{
    const auto registry = publish();
    const std::vector<std::pair<QStringList, std::string>> cases = {
        {{"run", "PaintIntent", "coats=150", "colour=green"},
         "shortcuts: \"coats\" must be an integer from 20 to 100, not \"150\"\n"},
        {{"run", "PaintIntent", "coats=sixty", "colour=green"},
         "shortcuts: \"coats\" must be an integer from 20 to 100, not \"sixty\"\n"},
        {{"run", "PaintIntent", "coats=60", "colour=red"},
         "shortcuts: \"colour\" must be one of green, blinkOrange, not \"red\"\n"},
        {{"run", "PaintIntent", "colour=green"},
         "shortcuts: PaintIntent needs a value for \"coats\", an integer from 20 to 100 (coats=VALUE)\n"},
        {{"run", "PaintIntent", "coats=60", "colour=green", "gloss=high"},
         "shortcuts: PaintIntent has no parameter \"gloss\"; it takes coats, colour\n"},
        {{"run", "PaintIntent", "coats=60", "coats=70", "colour=green"},
         "shortcuts: \"coats\" is given more than once\n"},
        {{"run", "PaintIntent", "coats"}, "shortcuts: \"coats\" is not PARAMETER=VALUE\n"},
        {{"run", "Varnish"}, "shortcuts: there is no action named \"Varnish\"; \"shortcuts list\" shows them\n"},
        {{"paint"},
         "shortcuts: unknown arguments \"paint\"\nusage: shortcuts list | shortcuts run NAME [PARAMETER=VALUE ...]\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolRun refused = shortcuts(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(refused.errors, message);
        EXPECT_EQ(refused.output, "");
    }
    EXPECT_EQ(paintRuns, 0);
}

TEST_F(ShortcutsToolTest, AFailedActionPrintsItsErrorOnStandardErrorAndExitsNonZero)
{
    const auto registry = publish();
    const ToolRun failed = shortcuts({"run", "FailingIntent"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.output, "");
    EXPECT_EQ(failed.errors, "无法连接充电后台服务\n");
}

TEST_F(ShortcutsToolTest, WithTheApplicationNotRunningTheToolSaysSo)
{
    const std::string notRunning = "shortcuts: no application that offers shortcuts is running\n";
    ToolRun before = shortcuts({"run", "PaintIntent", "coats=60", "colour=green"});
    EXPECT_EQ(before.exitCode, 3);
    EXPECT_EQ(before.errors, notRunning);

    publish().reset();
    // The registry took its socket with it; a socket left by a crash answers nobody either.
    EXPECT_FALSE(fs::exists(ShortcutsEndpoint::socketPath("com.example.painter")));
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(ShortcutsEndpoint::socketPath("com.example.painter"));
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    const ToolRun after = shortcuts({"list"});
    EXPECT_EQ(after.exitCode, 3);
    EXPECT_EQ(after.errors, notRunning);

    // The next start takes the stale socket's place.
    const auto registry = publish();
    EXPECT_EQ(shortcuts({"run", "TemperatureIntent"}).exitCode, 0);
}

TEST_F(ShortcutsToolTest, TheRegistryLeavesAFileThatIsNoSocketAloneAndDoesNotStealALiveSocket)
{
    const fs::path place = ShortcutsEndpoint::socketPath("com.example.painter");
    fs::create_directories(place.parent_path());
    std::ofstream(place) << "someone's notes";
    EXPECT_THROW(publish(), IntentRegistryError);
    std::ifstream notes(place);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(notes), {}), "someone's notes");
    fs::remove(place);

    const auto first = publish();
    try {
        publish();
        ADD_FAILURE() << "a second instance took the socket";
    } catch (const IntentRegistryError& error) {
        EXPECT_NE(std::string(error.what()).find("another running instance"), std::string::npos) << error.what();
    }
    EXPECT_EQ(shortcuts({"run", "TemperatureIntent"}).exitCode, 0);
}

TEST_F(ShortcutsToolTest, OnlyTheSameUserCanReachTheApplication)
{
    const auto registry = publish();
    struct stat folder {};
    ASSERT_EQ(::stat(ShortcutsEndpoint::directory().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    struct stat socketStatus {};
    ASSERT_EQ(::stat(registry->socketPath().c_str(), &socketStatus), 0);
    EXPECT_EQ(socketStatus.st_mode & 0777, 0600u);

    if (::geteuid() != 0) {
        GTEST_SKIP() << "trying another user needs root";
    }
    const sockaddr_un address = addressOf(registry->socketPath());
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(100);
        }
        const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool connected = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        _exit(connected ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another user reached the socket";
}

TEST_F(ShortcutsToolTest, WhatAClientCanCauseIsBounded)
{
    const auto registry = publish();
    // Not a request: refused, and the connection closed.
    EXPECT_EQ(exchangeRaw(registry->socketPath(), "[[[[[[1]]]]]]\n"),
              "{\"refused\":\"the request is not a JSON object with a \\\"request\\\" text\"}\n");
    EXPECT_EQ(exchangeRaw(registry->socketPath(), "{\"request\":\"run\",\"action\":\"PaintIntent\",\"parameters\":"
                                                  "{\"coats\":60,\"colour\":\"green\"}}\n"),
              "{\"refused\":\"the value of \\\"coats\\\" must be given as a text\"}\n");
    // A request that never ends is dropped once it outgrows the limit.
    EXPECT_EQ(exchangeRaw(registry->socketPath(), std::string(ShortcutsEndpoint::maximumRequestSize + 10, ' ')), "");

    // Eight runs at once are served; the ninth connection is closed unanswered.
    gate = std::make_unique<QPromise<void>>();
    gate->start();
    std::list<std::unique_ptr<QProcess>> waiting;
    for (int run = 0; run < IntentRegistry::maximumRequests; ++run) {
        waiting.emplace_back(startTool({"run", "WaitingIntent"}));
    }
    for (int attempt = 0; attempt < 2000 && waitingRuns < IntentRegistry::maximumRequests; ++attempt) {
        usleep(5000);
    }
    ASSERT_EQ(waitingRuns, IntentRegistry::maximumRequests);
    EXPECT_EQ(exchangeRaw(registry->socketPath(), "{\"request\":\"list\"}\n"), "");

    gate->finish();
    for (const auto& process : waiting) {
        const ToolRun done = finish(*process);
        EXPECT_EQ(done.exitCode, 0) << done.errors;
        EXPECT_EQ(done.output, "等到了\n");
    }
    // Their slots are free again.
    EXPECT_EQ(shortcuts({"run", "TemperatureIntent"}).exitCode, 0);
}

}  // namespace
