#include "XPCTestFixture.h"

#include <sys/wait.h>

#include "XPCFrame.h"

// An accepted connection belongs to the process that connected: what it sent
// before it was greeted, and whatever anyone else sends on its socket, is
// never served, and the connection ends with that process.
namespace platform::test {
namespace {

using XPCPeerBindingTest = XPCTest;

// Accepts only once the test lets it, so that a client can act while its
// connection is being decided.
class GateDelegate : public TestDelegate {
public:
    using TestDelegate::TestDelegate;

    bool shouldAcceptNewConnection(NSXPCListener& listener, std::shared_ptr<NSXPCConnection> connection) override
    {
        asked.record();
        opened.wait();
        return TestDelegate::shouldAcceptNewConnection(listener, std::move(connection));
    }

    EventCounter asked;
    std::shared_future<void> opened;
};

Bytes pingFrame()
{
    return XPCFrame{XPCFrameKind::request, 1, "pingWithReply:", std::nullopt, std::nullopt}.encoded();
}

// Reads until the service closes the socket; the kinds of the frames it sent.
std::vector<int> frameKindsUntilClosed(int descriptor)
{
    Bytes received;
    std::uint8_t buffer[512];
    ssize_t count = 0;
    while ((count = read(descriptor, buffer, sizeof buffer)) > 0) {
        received.insert(received.end(), buffer, buffer + count);
    }
    EXPECT_TRUE(count == 0 || errno == ECONNRESET) << "the service did not close the connection";
    std::vector<int> kinds;
    for (std::size_t at = 0; at + 5 <= received.size();) {
        const std::size_t length = (std::size_t{received[at]} << 24) | (std::size_t{received[at + 1]} << 16) |
                                   (std::size_t{received[at + 2]} << 8) | received[at + 3];
        kinds.push_back(received[at + 4]);
        at += 4 + length;
    }
    return kinds;
}

constexpr int replyKind = static_cast<int>(XPCFrameKind::reply);

// For a forked child of this many-threaded process: connects to `path` and
// reads the greeting with nothing but system calls.
int connectAndAwaitGreeting(const sockaddr_un& address)
{
    const int descriptor = socket(AF_UNIX, SOCK_STREAM, 0);
    if (descriptor < 0 || ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        _exit(3);
    }
    std::uint8_t greeting[16];
    if (recv(descriptor, greeting, sizeof greeting, MSG_WAITALL) != static_cast<ssize_t>(sizeof greeting)) {
        _exit(4);
    }
    return descriptor;
}

TEST_F(XPCPeerBindingTest, ARequestSentBeforeTheGreetingEndsTheConnectionUnanswered)
{
    std::promise<void> open;
    auto gate = std::make_shared<GateDelegate>(service);
    gate->opened = open.get_future().share();
    auto listener = startListener(gate);

    const int descriptor = rawClient(false);
    ASSERT_TRUE(gate->asked.waitFor(1));
    const Bytes early = pingFrame();
    ASSERT_EQ(write(descriptor, early.data(), early.size()), static_cast<ssize_t>(early.size()));
    open.set_value();

    const std::vector<int> kinds = frameKindsUntilClosed(descriptor);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), replyKind), 0);
    EXPECT_TRUE(gate->invalidated.waitFor(1));
    close(descriptor);
}

TEST_F(XPCPeerBindingTest, ARequestFromAForkedChildEndsTheConnectionUnanswered)
{
    auto listener = startListener();
    const int descriptor = rawClient();
    const Bytes request = pingFrame();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(write(descriptor, request.data(), request.size()) == static_cast<ssize_t>(request.size()) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);

    const std::vector<int> kinds = frameKindsUntilClosed(descriptor);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), replyKind), 0);
    EXPECT_TRUE(delegate->invalidated.waitFor(1));
    close(descriptor);
    // The process that connected is served as before on a connection of its own.
    EXPECT_EQ(replyText(call(connect(), "pingWithReply:")), "pong");
}

// A process connects and ends; its child, which kept the socket, finds the
// connection closed and its request unanswered.
TEST_F(XPCPeerBindingTest, TheConnectionEndsWithTheProcessThatConnected)
{
    auto listener = startListener();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    NSXPCListener::socketPathForMachService(serviceName).string().copy(address.sun_path, sizeof address.sun_path - 1);
    const Bytes request = pingFrame();
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t connecting = fork();
    ASSERT_GE(connecting, 0);
    if (connecting == 0) {
        const int descriptor = connectAndAwaitGreeting(address);
        const pid_t parent = getpid();
        if (fork() == 0) {
            // The child waits for its parent to go, then tries its luck.
            while (getppid() == parent) {
                usleep(1000);
            }
            if (send(descriptor, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
                // A closed connection may refuse the write; the read below says so too.
            }
            std::uint8_t buffer[64];
            ssize_t count = 0;
            std::uint8_t answered = 0;
            while ((count = read(descriptor, buffer, sizeof buffer)) > 0) {
                answered = 1;
            }
            _exit(write(report[1], &answered, 1) == 1 ? 0 : 1);
        }
        _exit(0);
    }
    close(report[1]);
    ASSERT_EQ(waitpid(connecting, nullptr, 0), connecting);
    EXPECT_TRUE(delegate->invalidated.waitFor(1));
    std::uint8_t answered = 2;
    ASSERT_EQ(read(report[0], &answered, 1), 1);
    EXPECT_EQ(answered, 0) << "the child got an answer";
    close(report[0]);
}

}  // namespace
}  // namespace platform::test
