#include "XPCTestFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>

#include "XPCFrame.h"

namespace platform::test {
namespace {

using XPCListenerTest = XPCTest;

TEST_F(XPCListenerTest, ManyConcurrentClientsEachGetTheirOwnAnswers)
{
    auto listener = startListener();
    constexpr int clients = 16;
    constexpr int callsPerClient = 100;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&, client] {
            auto connection = connect();
            // Messages go out back to back; replies are matched by request id.
            EventCounter answered;
            for (int index = 0; index < callsPerClient; ++index) {
                const Bytes payload = bytesOf(std::to_string(client) + ":" + std::to_string(index));
                connection->remoteObjectProxyWithErrorHandler([&](const NSError&) {
                    ++wrong;
                    answered.record();
                }).send("echoWithData:reply:", payload, [&, payload](NSXPCReplyValue value) {
                    if (value.data != payload) {
                        ++wrong;
                    }
                    answered.record();
                });
            }
            if (!answered.waitFor(callsPerClient)) {
                ++wrong;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(delegate->invalidated.waitFor(clients));
    EXPECT_EQ(interruptions.count(), 0);
}

bool closedByPeer(int descriptor)
{
    std::uint8_t byte = 0;
    return read(descriptor, &byte, 1) == 0;
}

TEST_F(XPCListenerTest, AbusiveClientsLoseOnlyTheirOwnConnection)
{
    auto listener = std::make_unique<NSXPCListener>(serviceName);
    listener->setDelegate(delegate);
    listener->setIncompleteFrameTimeout(200ms);
    listener->resume();

    auto wellBehaved = connect();
    std::atomic<bool> stop{false};
    std::atomic<int> answers{0};
    std::atomic<int> failures{0};
    std::thread steady([&] {
        while (!stop) {
            if (replyText(call(wellBehaved, "pingWithReply:")) == "pong") {
                ++answers;
            } else {
                ++failures;
            }
        }
    });

    XPCFrame request{XPCFrameKind::request, 1, "pingWithReply:", std::nullopt, std::nullopt};
    const Bytes whole = request.encoded();
    const struct {
        const char* name;
        Bytes bytes;
    } abuses[] = {
        {"text that is no frame", bytesOf("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n")},
        {"a frame of unknown kind", Bytes{0, 0, 0, 12, 0x7F, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"a frame above 1 MiB", Bytes{0, 0x10, 0, 1, 1, 0, 0, 0}},
        {"half a frame, then silence", Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
        {"a well-formed frame, then half of another", [&] {
             Bytes bytes = whole;
             bytes.insert(bytes.end(), whole.begin(), whole.begin() + 3);
             return bytes;
         }()},
    };
    for (const auto& abuse : abuses) {
        SCOPED_TRACE(abuse.name);
        const int descriptor = rawClient();
        ASSERT_EQ(write(descriptor, abuse.bytes.data(), abuse.bytes.size()), static_cast<ssize_t>(abuse.bytes.size()));
        // Whatever the service answered before giving up is read past; then the connection must close.
        std::uint8_t buffer[256];
        ssize_t received = 0;
        while ((received = read(descriptor, buffer, sizeof buffer)) > 0) {
        }
        EXPECT_EQ(received, 0) << "the service did not close the connection";
        close(descriptor);
    }
    // A client that sends half a frame and then closes.
    const int leaving = rawClient();
    ASSERT_EQ(write(leaving, whole.data(), 5), 5);
    shutdown(leaving, SHUT_WR);
    EXPECT_TRUE(closedByPeer(leaving));
    close(leaving);

    const int before = answers;
    EXPECT_TRUE(delegate->invalidated.waitFor(6));
    while (answers < before + 10 && failures == 0) {
        std::this_thread::sleep_for(1ms);
    }
    stop = true;
    steady.join();
    EXPECT_EQ(failures, 0);
    EXPECT_GT(answers, 10);
    EXPECT_EQ(interruptions.count(), 0);
    // The listener still takes new clients.
    EXPECT_EQ(replyText(call(connect(), "pingWithReply:")), "pong");
}

int boundListeningSocket(const std::filesystem::path& path)
{
    std::filesystem::create_directories(path.parent_path());
    const int descriptor = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(descriptor, 8), 0);
    return descriptor;
}

ino_t inodeOf(const std::filesystem::path& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST_F(XPCListenerTest, TakesOverTheSocketTheServiceManagerHandsIt)
{
    const auto path = NSXPCListener::socketPathForMachService(serviceName);
    const int inherited = boundListeningSocket(path);
    const ino_t inode = inodeOf(path);
    setenv("SIMMAC_LAUNCHD_SOCKET_FD", std::to_string(inherited).c_str(), 1);
    // A client may already wait in the backlog before the service checks in.
    auto early = connect();
    std::promise<Outcome> earlyOutcome;
    early->remoteObjectProxyWithErrorHandler([&](const NSError& error) { earlyOutcome.set_value(error); })
        .send("pingWithReply:", std::nullopt, [&](NSXPCReplyValue value) { earlyOutcome.set_value(value); });

    auto listener = startListener();
    auto future = earlyOutcome.get_future();
    ASSERT_EQ(future.wait_for(patience), std::future_status::ready);
    EXPECT_EQ(replyText(future.get()), "pong");
    EXPECT_EQ(inodeOf(path), inode) << "the listener bound a socket of its own";
    EXPECT_NE(fcntl(inherited, F_GETFD) & FD_CLOEXEC, 0);
    early.reset();
    listener.reset();
    // The socket file belongs to the service manager and stays.
    EXPECT_EQ(inodeOf(path), inode);
    unsetenv("SIMMAC_LAUNCHD_SOCKET_FD");
}

TEST_F(XPCListenerTest, BindsItsOwnSocketWhenTheInheritedOneIsForAnotherPath)
{
    const auto otherPath = root_ / "other.sock";
    const int foreign = boundListeningSocket(otherPath);
    for (const std::string& value : {std::to_string(foreign), std::string("not-a-number"), std::string("999")}) {
        SCOPED_TRACE(value);
        setenv("SIMMAC_LAUNCHD_SOCKET_FD", value.c_str(), 1);
        auto listener = startListener();
        EXPECT_EQ(replyText(call(connect(), "pingWithReply:")), "pong");
        listener.reset();
        EXPECT_FALSE(std::filesystem::exists(NSXPCListener::socketPathForMachService(serviceName)));
    }
    // The foreign socket was left alone.
    EXPECT_EQ(fcntl(foreign, F_GETFD), 0);
    unsetenv("SIMMAC_LAUNCHD_SOCKET_FD");
    close(foreign);
}

TEST_F(XPCListenerTest, ReplacesAStaleSocketButNotALiveListener)
{
    const auto path = NSXPCListener::socketPathForMachService(serviceName);
    close(boundListeningSocket(path));
    ASSERT_TRUE(std::filesystem::is_socket(path));

    auto listener = startListener();
    EXPECT_EQ(replyText(call(connect(), "pingWithReply:")), "pong");

    NSXPCListener second(serviceName);
    second.setDelegate(delegate);
    EXPECT_THROW(second.resume(), std::system_error);
    EXPECT_EQ(replyText(call(connect(), "pingWithReply:")), "pong");
}

TEST_F(XPCListenerTest, WithoutADelegateEveryConnectionIsRefused)
{
    NSXPCListener listener(serviceName);
    listener.resume();
    auto connection = connect();
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    EXPECT_TRUE(invalidations.waitFor(1));
}

}  // namespace
}  // namespace platform::test
