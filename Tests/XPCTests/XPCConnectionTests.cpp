#include "XPCTestFixture.h"

#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "XPCFrame.h"

namespace platform::test {
namespace {

using XPCConnectionTest = XPCTest;

TEST_F(XPCConnectionTest, RepliesArriveOnTheConnectionsOwnThread)
{
    auto listener = startListener();
    auto connection = std::make_shared<NSXPCConnection>(serviceName, NSXPCConnectionOptions::none);
    connection->setRemoteObjectInterface(clientInterface());

    // Sent while suspended: it waits for resume().
    std::promise<std::pair<std::string, std::thread::id>> answered;
    connection->remoteObjectProxyWithErrorHandler([](const NSError& error) { FAIL() << error.localizedDescription(); })
        .send("pingWithReply:", std::nullopt, [&answered](NSXPCReplyValue value) {
            answered.set_value({value.text.value_or(""), std::this_thread::get_id()});
        });
    connection->resume();

    auto future = answered.get_future();
    ASSERT_EQ(future.wait_for(patience), std::future_status::ready);
    const auto [text, thread] = future.get();
    EXPECT_EQ(text, "pong");
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(connection->processIdentifier(), getpid());
    EXPECT_EQ(connection->effectiveUserIdentifier(), geteuid());
}

TEST_F(XPCConnectionTest, EachReplyShapeAndProblemEndsOnlyItsOwnMessage)
{
    auto listener = startListener();
    auto connection = connect();

    Bytes large(512 * 1024);
    for (size_t index = 0; index < large.size(); ++index) {
        large[index] = static_cast<std::uint8_t>(index * 31);
    }
    Outcome echoed = call(connection, "echoWithData:reply:", large);
    ASSERT_TRUE(std::holds_alternative<NSXPCReplyValue>(echoed));
    EXPECT_EQ(std::get<NSXPCReplyValue>(echoed).data, large);
    EXPECT_FALSE(std::get<NSXPCReplyValue>(echoed).text);

    Outcome empty = call(connection, "echoWithData:reply:", Bytes{});
    ASSERT_TRUE(std::holds_alternative<NSXPCReplyValue>(empty));
    EXPECT_EQ(std::get<NSXPCReplyValue>(empty).data, Bytes{});

    // A failure text from the service is a reply, not a transport error.
    Outcome failed = call(connection, "failWithReply:");
    ASSERT_TRUE(std::holds_alternative<NSXPCReplyValue>(failed));
    EXPECT_FALSE(std::get<NSXPCReplyValue>(failed).data);
    EXPECT_EQ(replyText(failed), "it failed");

    const struct {
        const char* selector;
        std::optional<Bytes> argument;
        const char* explanation;
    } invalid[] = {
        {"dropWithReply:", std::nullopt, "released the reply without answering"},
        {"wrongShapeWithReply:", std::nullopt, "exactly one text"},
        {"missingWithReply:", std::nullopt, "does not respond to missingWithReply:"},
        {"echoWithData:reply:", Bytes(XPCFrame::maximumBodySize, 0), "exceeds the limit"},
    };
    for (const auto& testCase : invalid) {
        SCOPED_TRACE(testCase.selector);
        Outcome outcome = call(connection, testCase.selector, testCase.argument);
        ASSERT_TRUE(std::holds_alternative<NSError>(outcome));
        const NSError& error = std::get<NSError>(outcome);
        EXPECT_EQ(error.domain(), NSCocoaErrorDomain);
        EXPECT_EQ(error.code(), NSXPCConnectionReplyInvalid);
        EXPECT_NE(error.localizedDescription().find(testCase.explanation), std::string::npos)
            << error.localizedDescription();
        EXPECT_EQ(replyText(call(connection, "pingWithReply:")), "pong");
    }
    EXPECT_EQ(interruptions.count(), 0);
    EXPECT_EQ(invalidations.count(), 0);
}

TEST_F(XPCConnectionTest, MisusingTheProxyThrowsAtTheCaller)
{
    auto listener = startListener();
    auto connection = connect();
    auto proxy = connection->remoteObjectProxyWithErrorHandler(nullptr);
    EXPECT_THROW(proxy.send("unknownWithReply:", std::nullopt, nullptr), std::invalid_argument);
    EXPECT_THROW(proxy.send("pingWithReply:", Bytes{1}, nullptr), std::invalid_argument);
    EXPECT_THROW(proxy.send("echoWithData:reply:", std::nullopt, nullptr), std::invalid_argument);

    auto bare = std::make_shared<NSXPCConnection>(serviceName, NSXPCConnectionOptions::none);
    EXPECT_THROW(bare->remoteObjectProxyWithErrorHandler(nullptr).send("pingWithReply:", std::nullopt, nullptr),
                 std::logic_error);
    EXPECT_THROW(NSXPCConnection("../escape", NSXPCConnectionOptions::none), std::invalid_argument);
}

TEST_F(XPCConnectionTest, AMissingServiceFailsTheMessageAndInvalidatesOnce)
{
    auto connection = connect("com.velkora.absent");
    for (int attempt = 0; attempt < 3; ++attempt) {
        Outcome outcome = call(connection, "pingWithReply:");
        EXPECT_EQ(errorCode(outcome), NSXPCConnectionInvalid);
        EXPECT_NE(std::get<NSError>(outcome).localizedDescription().find("com.velkora.absent"), std::string::npos);
        // It says why it could not connect.
        EXPECT_NE(std::get<NSError>(outcome).localizedDescription().find(std::generic_category().message(ENOENT)),
                  std::string::npos)
            << std::get<NSError>(outcome).localizedDescription();
    }
    ASSERT_TRUE(invalidations.waitFor(1));
    // Once invalid, the service appearing later does not bring the connection back.
    auto listener = startListener();
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    connection->invalidate();
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    EXPECT_EQ(invalidations.count(), 1);
    EXPECT_EQ(interruptions.count(), 0);
}

TEST_F(XPCConnectionTest, InvalidateFailsOutstandingAndLaterMessagesAndFiresTheHandlerOnce)
{
    auto listener = startListener();
    auto connection = connect();
    std::promise<Outcome> held;
    connection->remoteObjectProxyWithErrorHandler([&held](const NSError& error) { held.set_value(error); })
        .send("holdWithReply:", std::nullopt, [&held](NSXPCReplyValue value) { held.set_value(value); });
    ASSERT_TRUE(service->holds.waitFor(1));

    connection->invalidate();
    connection->invalidate();
    auto future = held.get_future();
    ASSERT_EQ(future.wait_for(patience), std::future_status::ready);
    EXPECT_EQ(errorCode(future.get()), NSXPCConnectionInvalid);
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    ASSERT_TRUE(invalidations.waitFor(1));

    // The service sees its client go: that is how the daemon counts clients.
    EXPECT_TRUE(delegate->invalidated.waitFor(1));
    service->answerHeld();
    EXPECT_EQ(invalidations.count(), 1);
    EXPECT_EQ(interruptions.count(), 0);
}

TEST_F(XPCConnectionTest, APeerDyingMidCallInterruptsAndTheNextMessageReconnects)
{
    auto listener = startListener();
    auto connection = connect();
    ASSERT_EQ(replyText(call(connection, "pingWithReply:")), "pong");

    std::atomic<int> errors{0};
    std::atomic<int> replies{0};
    std::atomic<long> code{0};
    EventCounter ended;
    for (int index = 0; index < 3; ++index) {
        connection
            ->remoteObjectProxyWithErrorHandler([&](const NSError& error) {
                code = error.code();
                ++errors;
                ended.record();
            })
            .send("holdWithReply:", std::nullopt, [&](NSXPCReplyValue) {
                ++replies;
                ended.record();
            });
    }
    ASSERT_TRUE(service->holds.waitFor(3));

    listener.reset();
    ASSERT_TRUE(ended.waitFor(3));
    ASSERT_TRUE(interruptions.waitFor(1));
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(code, NSXPCConnectionInterrupted);

    listener = startListener();
    EXPECT_EQ(replyText(call(connection, "pingWithReply:")), "pong");
    // Replies meant for the connection that died reach nobody.
    service->answerHeld();
    EXPECT_EQ(replyText(call(connection, "pingWithReply:")), "pong");
    EXPECT_EQ(replies, 0);
    EXPECT_EQ(ended.count(), 3);
    EXPECT_EQ(interruptions.count(), 1);
    EXPECT_EQ(invalidations.count(), 0);
}

TEST_F(XPCConnectionTest, AnIdleConnectionIsInterruptedWhenThePeerGoes)
{
    auto listener = startListener();
    auto connection = connect();
    ASSERT_EQ(replyText(call(connection, "pingWithReply:")), "pong");
    listener.reset();
    EXPECT_TRUE(interruptions.waitFor(1));
    // With nobody listening any more, the next message finds the service gone for good.
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    EXPECT_TRUE(invalidations.waitFor(1));
}

TEST_F(XPCConnectionTest, ARefusedConnectionIsInvalidated)
{
    auto refusing = std::make_shared<TestDelegate>(service, false);
    auto listener = startListener(refusing);
    auto connection = connect();
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    EXPECT_TRUE(invalidations.waitFor(1));
    EXPECT_EQ(errorCode(call(connection, "pingWithReply:")), NSXPCConnectionInvalid);
    EXPECT_EQ(interruptions.count(), 0);
    EXPECT_EQ(invalidations.count(), 1);

    const auto peers = refusing->peers();
    ASSERT_EQ(peers.size(), 1u);
    EXPECT_EQ(peers[0].first, getpid());
    EXPECT_EQ(peers[0].second, geteuid());
}

TEST_F(XPCConnectionTest, GarbageFromTheServiceInterruptsTheClient)
{
    const auto path = NSXPCListener::socketPathForMachService(serviceName);
    std::filesystem::create_directories(path.parent_path());
    const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(server, 4), 0);

    auto connection = connect();
    std::promise<Outcome> ended;
    connection->remoteObjectProxyWithErrorHandler([&ended](const NSError& error) { ended.set_value(error); })
        .send("pingWithReply:", std::nullopt, [&ended](NSXPCReplyValue value) { ended.set_value(value); });
    const int peer = accept(server, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const std::uint8_t garbage[] = {0, 0, 0, 3, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(write(peer, garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));

    auto future = ended.get_future();
    ASSERT_EQ(future.wait_for(patience), std::future_status::ready);
    EXPECT_EQ(errorCode(future.get()), NSXPCConnectionInterrupted);
    EXPECT_TRUE(interruptions.waitFor(1));
    close(peer);
    close(server);
}

TEST_F(XPCConnectionTest, ReleasingTheLastReferenceInsideItsOwnHandlerDoesNotHang)
{
    auto listener = startListener();
    EventCounter released;
    auto connection = std::make_shared<NSXPCConnection>(serviceName, NSXPCConnectionOptions::none);
    connection->setRemoteObjectInterface(clientInterface());
    // The handler owns the connection; invalidation lets go of it on the connection's own thread.
    connection->setInvalidationHandler([connection, &released] { released.record(); });
    connection->resume();
    ASSERT_EQ(replyText(call(connection, "pingWithReply:")), "pong");
    connection->invalidate();
    connection.reset();
    EXPECT_TRUE(released.waitFor(1));
    EXPECT_TRUE(delegate->invalidated.waitFor(1));
}

TEST_F(XPCConnectionTest, EveryMessageEndsExactlyOnceWhateverHappensToItsConnection)
{
    auto listener = startListener();
    constexpr int threads = 8;
    constexpr int rounds = 25;
    constexpr int messagesPerRound = 12;
    std::vector<std::atomic<int>> endings(threads * rounds * messagesPerRound);
    std::atomic<bool> stop{false};
    // Held replies are answered at random moments, racing with everything else.
    std::thread answering([&] {
        while (!stop) {
            service->answerHeld();
            std::this_thread::sleep_for(200us);
        }
    });
    const char* selectors[] = {"pingWithReply:", "holdWithReply:", "dropWithReply:", "echoWithData:reply:"};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < threads; ++worker) {
        workers.emplace_back([&, worker] {
            for (int round = 0; round < rounds; ++round) {
                auto connection = connect();
                for (int index = 0; index < messagesPerRound; ++index) {
                    const int slot = (worker * rounds + round) * messagesPerRound + index;
                    const std::string selector = selectors[(slot + round) % 4];
                    std::optional<Bytes> argument;
                    if (selector == "echoWithData:reply:") {
                        argument = Bytes{1, 2, 3};
                    }
                    connection->remoteObjectProxyWithErrorHandler([&endings, slot](const NSError&) { ++endings[slot]; })
                        .send(selector, argument, [&endings, slot](NSXPCReplyValue) { ++endings[slot]; });
                    if (index == (worker + round) % messagesPerRound && round % 3 == 0) {
                        connection->invalidate();
                    }
                }
                // Released with messages still outstanding: they fail before the release returns.
                connection.reset();
            }
        });
    }
    for (std::thread& thread : workers) {
        thread.join();
    }
    stop = true;
    answering.join();
    for (size_t slot = 0; slot < endings.size(); ++slot) {
        ASSERT_EQ(endings[slot].load(), 1) << "message " << slot;
    }
}

}  // namespace
}  // namespace platform::test
