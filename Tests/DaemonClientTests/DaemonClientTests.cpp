#include "Services/AppLanguage.h"
#include "Services/CancellationError.h"
#include "Services/ClientError.h"
#include "Services/DaemonClient.h"
#include "VelkoraCore/CodingError.h"
#include "VelkoraCore/IPC.h"

#include "EventLoop.h"
#include "FakeDaemonPeer.h"
#include "ManualTimeoutScheduler.h"

#include <gtest/gtest.h>

#include <QThread>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>

namespace velkora::test {
namespace {

using namespace std::chrono_literals;

PowerSnapshot snapshotNumbered(std::int64_t number)
{
    PowerSnapshot snapshot;
    snapshot.battery.percentage = number;
    snapshot.battery.timestamp = std::chrono::system_clock::time_point(1500ms);
    snapshot.stateReason = "snapshot " + std::to_string(number);
    return snapshot;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

std::optional<ClientError> clientError(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const ClientError& clientError) {
        return clientError;
    } catch (...) {
    }
    return std::nullopt;
}

template <typename E>
bool failedWith(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const E&) {
        return true;
    } catch (...) {
    }
    return false;
}

int occurrences(const std::string& log, const std::string& line)
{
    int count = 0;
    for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
        ++count;
    }
    return count;
}

class DaemonClientTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "daemon-client-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
    }

    void TearDown() override
    {
        client.reset();
        peer.reset();
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // A daemon that holds every request until the test answers it.
    void startHoldingPeer()
    {
        peer = std::make_unique<FakeDaemonPeer>([this](DaemonRequest request) { peer->hold(std::move(request)); });
    }

    std::vector<DaemonRequest> heldRequests(std::size_t count)
    {
        EXPECT_TRUE(peer->waitForHeld(count));
        auto held = peer->takeHeld();
        EXPECT_EQ(held.size(), count);
        return held;
    }

    std::shared_ptr<ManualTimeoutScheduler> timeouts = std::make_shared<ManualTimeoutScheduler>();
    std::shared_ptr<DaemonClient> client = DaemonClient::create(timeouts);
    std::unique_ptr<FakeDaemonPeer> peer;

private:
    std::filesystem::path root_;
};

TEST_F(DaemonClientTest, EachOperationSendsItsMessageWithItsTimeOutAndDecodesItsReply)
{
    ChargePolicy policy;
    policy.chargeLimit = 65;
    DaemonHealth health = DaemonHealth::make(10, "202601010000", "1.0.0", "com.velkora.charging-helper",
                                             "com.velkora.app", true);
    DeviceCapabilities capabilities{true, true, false, true, false};
    const ControlCommand command = ControlCommand::setPolicy(policy);

    peer = std::make_unique<FakeDaemonPeer>([&](DaemonRequest request) {
        if (request.selector == VelkoraDaemonProtocol::performSelector) {
            const bool carriesCommand = request.argument && IPC::decode<ControlCommand>(*request.argument) == command;
            request.answer(IPC::encode(snapshotNumbered(carriesCommand ? 1 : 0)), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchSnapshotSelector) {
            request.answer(IPC::encode(snapshotNumbered(2)), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchPolicySelector) {
            request.answer(IPC::encode(policy), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::healthSelector) {
            request.answer(IPC::encode(health), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchCapabilitiesSelector) {
            request.answer(IPC::encode(capabilities), std::nullopt);
        } else {
            request.answer(std::nullopt, "unexpected " + request.selector);
        }
    });

    const auto performed = await(client->perform(command, 5));
    EXPECT_EQ(performed.value, snapshotNumbered(1));
    const auto snapshot = await(client->fetchSnapshot(3));
    EXPECT_EQ(snapshot.value, snapshotNumbered(2));
    EXPECT_EQ(await(client->fetchPolicy()).value, policy);
    EXPECT_EQ(await(client->health(3)).value, health);
    EXPECT_EQ(await(client->fetchCapabilities()).value, capabilities);

    ASSERT_EQ(timeouts->count(), 5u);
    const std::chrono::nanoseconds expected[] = {5s, 3s, 10s, 3s, 10s};
    for (std::size_t index = 0; index < 5; ++index) {
        EXPECT_EQ(timeouts->delay(index), expected[index]) << "call " << index;
        EXPECT_TRUE(timeouts->cancelled(index)) << "a reply cancels its call's time-out";
    }
    EXPECT_EQ(peer->acceptedConnections(), 1);
}

TEST_F(DaemonClientTest, ReplyPairsThatAreNotTheValueEndTheCallAndKeepTheConnection)
{
    const bool chinese = AppLanguage::isChinese();
    const struct {
        const char* name;
        std::optional<Bytes> data;
        std::optional<std::string> text;
        std::optional<ClientError::Kind> kind;
        std::string description;
    } cases[] = {
        {"text wins over data", IPC::encode(snapshotNumbered(1)), "daemon says no", ClientError::Kind::remote,
         "daemon says no"},
        {"an empty text", std::nullopt, "", ClientError::Kind::remote, ""},
        {"neither", std::nullopt, std::nullopt, ClientError::Kind::invalidResponse,
         chinese ? "后台服务返回了无效数据" : "The charging helper returned invalid data."},
        {"not JSON", bytesOf("garbage"), std::nullopt, std::nullopt, ""},
        {"JSON of another type", bytesOf("{\"managementEnabled\":true}"), std::nullopt, std::nullopt, ""},
    };
    std::size_t next = 0;
    peer = std::make_unique<FakeDaemonPeer>([&](DaemonRequest request) {
        const auto& answer = cases[next++];
        request.answer(answer.data, answer.text);
    });

    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const auto outcome = await(client->fetchSnapshot(3));
        ASSERT_EQ(outcome.endings, 1);
        ASSERT_FALSE(outcome.value);
        if (testCase.kind) {
            const auto error = clientError(outcome.error);
            ASSERT_TRUE(error);
            EXPECT_EQ(error->kind(), *testCase.kind);
            EXPECT_EQ(std::string(error->what()), testCase.description);
            EXPECT_EQ(error->errorDescription(), QString::fromStdString(testCase.description));
        } else {
            // The decoder's own error, not wrapped.
            EXPECT_TRUE(failedWith<DecodingError>(outcome.error));
        }
    }
    EXPECT_EQ(peer->acceptedConnections(), 1);
}

TEST_F(DaemonClientTest, ATimeOutEndsEveryPendingCallAndTheNextCallConnectsAnew)
{
    startHoldingPeer();
    Started<PowerSnapshot> first(client->fetchSnapshot(3));
    Started<DaemonHealth> second(client->health(3));
    auto held = heldRequests(2);

    testing::internal::CaptureStderr();
    timeouts->expire(0);
    first.wait();
    second.wait();
    const std::string log = testing::internal::GetCapturedStderr();

    for (const std::exception_ptr& error : {first.outcome().error, second.outcome().error}) {
        const auto clientFailure = clientError(error);
        ASSERT_TRUE(clientFailure);
        EXPECT_EQ(*clientFailure, ClientError::connectionUnavailable());
    }
    EXPECT_EQ(first.outcome().endings, 1);
    EXPECT_EQ(second.outcome().endings, 1);
    EXPECT_EQ(occurrences(log, "XPC request timed out after 3.000000s"), 1) << log;
    EXPECT_TRUE(timeouts->cancelled(1)) << "the other call's time-out goes with it";

    // The daemon's late answers find no call; the callers saw only the time-out.
    for (const DaemonRequest& request : held) {
        request.answer(IPC::encode(snapshotNumbered(9)), std::nullopt);
    }
    runEventsFor(50ms);
    EXPECT_FALSE(first.outcome().value);
    EXPECT_EQ(first.outcome().endings, 1);

    Started<PowerSnapshot> third(client->fetchSnapshot(3));
    heldRequests(1).front().answer(IPC::encode(snapshotNumbered(3)), std::nullopt);
    EXPECT_EQ(third.wait().value, snapshotNumbered(3));
    EXPECT_EQ(peer->acceptedConnections(), 2);
}

TEST_F(DaemonClientTest, ACancelledCallEndsAloneAndItsLateReplyIsDropped)
{
    startHoldingPeer();
    std::stop_source cancelFirst;
    Started<PowerSnapshot> first(client->fetchSnapshot(3, cancelFirst.get_token()));
    ASSERT_TRUE(peer->waitForHeld(1));
    Started<PowerSnapshot> second(client->fetchSnapshot(3));
    auto held = heldRequests(2);

    cancelFirst.request_stop();
    EXPECT_TRUE(failedWith<CancellationError>(first.wait().error));
    EXPECT_TRUE(timeouts->cancelled(0));
    EXPECT_FALSE(second.ended());

    // The first request's reply does reach the client, after its call ended;
    // it must not end the second call.
    held[0].answer(IPC::encode(snapshotNumbered(1)), std::nullopt);
    runEventsFor(50ms);
    EXPECT_FALSE(second.ended());
    held[1].answer(IPC::encode(snapshotNumbered(2)), std::nullopt);
    EXPECT_EQ(second.wait().value, snapshotNumbered(2));
    EXPECT_EQ(first.outcome().endings, 1);
    EXPECT_FALSE(first.outcome().value);
    EXPECT_EQ(peer->acceptedConnections(), 1);
}

TEST_F(DaemonClientTest, ATokenTriggeredBeforeTheCallDoesNotEndIt)
{
    peer = std::make_unique<FakeDaemonPeer>(
        [](DaemonRequest request) { request.answer(IPC::encode(snapshotNumbered(4)), std::nullopt); });
    std::stop_source cancelled;
    cancelled.request_stop();
    EXPECT_EQ(await(client->fetchSnapshot(3, cancelled.get_token())).value, snapshotNumbered(4));
}

TEST_F(DaemonClientTest, ATimeOutOfACallOnAReplacedConnectionTouchesNothing)
{
    startHoldingPeer();
    Started<PowerSnapshot> onFirstConnection(client->fetchSnapshot(3));
    ASSERT_TRUE(peer->waitForHeld(1));
    client->invalidateConnection();
    EXPECT_EQ(clientError(onFirstConnection.wait().error), ClientError::connectionUnavailable());

    Started<PowerSnapshot> onSecondConnection(client->fetchSnapshot(3));
    auto held = heldRequests(2);

    testing::internal::CaptureStderr();
    timeouts->expireRacingItsCancellation(0);
    runEventsFor(50ms);
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(onSecondConnection.ended());
    EXPECT_EQ(log.find("timed out"), std::string::npos) << log;
    held[1].answer(IPC::encode(snapshotNumbered(2)), std::nullopt);
    EXPECT_EQ(onSecondConnection.wait().value, snapshotNumbered(2));

    // The second connection is still the one in use.
    Started<PowerSnapshot> later(client->fetchSnapshot(3));
    heldRequests(1).front().answer(IPC::encode(snapshotNumbered(3)), std::nullopt);
    EXPECT_EQ(later.wait().value, snapshotNumbered(3));
    EXPECT_EQ(peer->acceptedConnections(), 2);
}

TEST_F(DaemonClientTest, InvalidatingTheConnectionFailsThePendingCallsOnce)
{
    client->invalidateConnection();
    client->invalidateConnection();

    startHoldingPeer();
    Started<PowerSnapshot> first(client->fetchSnapshot(3));
    Started<ChargePolicy> second(client->fetchPolicy());
    // Held, not dropped: a released reply would fail the calls on its own.
    const auto held = heldRequests(2);
    client->invalidateConnection();
    client->invalidateConnection();
    EXPECT_EQ(clientError(first.wait().error), ClientError::connectionUnavailable());
    EXPECT_EQ(clientError(second.wait().error), ClientError::connectionUnavailable());
    runEventsFor(20ms);
    EXPECT_EQ(first.outcome().endings, 1);
    EXPECT_EQ(second.outcome().endings, 1);

    Started<PowerSnapshot> third(client->fetchSnapshot(3));
    heldRequests(1).front().answer(IPC::encode(snapshotNumbered(3)), std::nullopt);
    EXPECT_EQ(third.wait().value, snapshotNumbered(3));
    EXPECT_EQ(peer->acceptedConnections(), 2);
}

TEST_F(DaemonClientTest, AReplyThatCannotArriveEndsEveryPendingCallWithThePlatformsText)
{
    startHoldingPeer();
    Started<PowerSnapshot> first(client->fetchSnapshot(3));
    Started<PowerSnapshot> second(client->fetchSnapshot(3));
    auto held = heldRequests(2);

    testing::internal::CaptureStderr();
    held.erase(held.begin());
    first.wait();
    second.wait();
    const std::string log = testing::internal::GetCapturedStderr();

    const auto firstError = clientError(first.outcome().error);
    const auto secondError = clientError(second.outcome().error);
    ASSERT_TRUE(firstError);
    ASSERT_TRUE(secondError);
    EXPECT_EQ(firstError->kind(), ClientError::Kind::remote);
    EXPECT_NE(firstError->remoteText().find("released the reply without answering"), std::string::npos)
        << firstError->remoteText();
    EXPECT_EQ(*firstError, *secondError) << "every pending call gets the one error";
    EXPECT_NE(log.find("XPC proxy error: " + firstError->remoteText()), std::string::npos) << log;
}

TEST_F(DaemonClientTest, ALostConnectionEndsEveryPendingCallAsUnavailable)
{
    const struct {
        const char* name;
        std::function<void(FakeDaemonPeer&, std::vector<DaemonRequest>&)> fail;
    } cases[] = {
        {"the daemon closes the connection",
         [](FakeDaemonPeer&, std::vector<DaemonRequest>& held) { held.front().dropConnection(); }},
        {"the daemon dies", [](FakeDaemonPeer& daemon, std::vector<DaemonRequest>&) { daemon.die(); }},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        startHoldingPeer();
        Started<PowerSnapshot> first(client->fetchSnapshot(3));
        Started<ChargePolicy> second(client->fetchPolicy());
        auto held = heldRequests(2);

        testing::internal::CaptureStderr();
        testCase.fail(*peer, held);
        first.wait();
        second.wait();
        const std::string log = testing::internal::GetCapturedStderr();

        EXPECT_EQ(clientError(first.outcome().error), ClientError::connectionUnavailable());
        EXPECT_EQ(clientError(second.outcome().error), ClientError::connectionUnavailable());
        EXPECT_NE(log.find("XPC proxy error: "), std::string::npos) << "the platform's reason is still logged";
        runEventsFor(20ms);
        EXPECT_EQ(first.outcome().endings, 1);
        EXPECT_EQ(second.outcome().endings, 1);
        peer.reset();
    }

    // With no daemon at all the call fails at once, and a daemon that comes
    // up later is reached through a new connection.
    EXPECT_EQ(clientError(await(client->fetchSnapshot(3)).error), ClientError::connectionUnavailable());

    peer = std::make_unique<FakeDaemonPeer>(
        [](DaemonRequest request) { request.answer(IPC::encode(snapshotNumbered(5)), std::nullopt); });
    EXPECT_EQ(await(client->fetchSnapshot(3)).value, snapshotNumbered(5));
}

TEST_F(DaemonClientTest, AnUnusableTimeOutIsRefusedBeforeAnythingIsSent)
{
    peer = std::make_unique<FakeDaemonPeer>(
        [](DaemonRequest request) { request.answer(IPC::encode(snapshotNumbered(1)), std::nullopt); });
    for (const double timeout : {-1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(timeout);
        EXPECT_TRUE(failedWith<std::invalid_argument>(await(client->fetchSnapshot(timeout)).error));
    }
    EXPECT_EQ(peer->requestCount(), 0);
    EXPECT_EQ(timeouts->count(), 0u);

    // A time-out beyond the clock's range waits as long as it can.
    EXPECT_EQ(await(client->health(1e300)).endings, 1);
    EXPECT_EQ(timeouts->delay(0), std::chrono::nanoseconds::max());
}

TEST_F(DaemonClientTest, CallsResumeOnTheThreadThatStartedThem)
{
    peer = std::make_unique<FakeDaemonPeer>([this](DaemonRequest request) {
        // Answered from another thread than the connection's.
        peer->later(1ms, [request] { request.answer(IPC::encode(snapshotNumbered(7)), std::nullopt); });
    });

    const auto onMain = await(client->fetchSnapshot(3));
    EXPECT_EQ(onMain.value, snapshotNumbered(7));
    EXPECT_EQ(onMain.resumedOn, std::this_thread::get_id());

    std::thread::id backgroundThread;
    Outcome<PowerSnapshot> onBackground;
    std::thread background([&] {
        backgroundThread = std::this_thread::get_id();
        onBackground = await(client->fetchSnapshot(3));
    });
    background.join();
    EXPECT_EQ(onBackground.value, snapshotNumbered(7));
    EXPECT_EQ(onBackground.resumedOn, backgroundThread);
}

}  // namespace
}  // namespace velkora::test
