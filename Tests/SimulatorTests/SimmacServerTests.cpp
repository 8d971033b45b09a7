#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <thread>

#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimmacServer.h"
#include "Simmac/SimulatorError.h"
#include "Simmac/SimulatorModule.h"
#include "Simulator/SimmacConnection.h"

using simulator::SimmacConnection;
using simulator::SimmacError;
using Json = nlohmann::ordered_json;

namespace {

// A module of the kind later concerns add: per-connection state released when
// the connection closes, answers given later from the loop, and messages
// pushed to a connection.
class ProbeModule : public simmac::SimulatorModule {
public:
    ProbeModule(simmac::Dispatcher& dispatcher, asio::io_context& context) : context_(context)
    {
        dispatcher.addModule(*this);
        dispatcher.addOperation("probe.hold", [this](simmac::OperationCall& call) {
            const auto& peer = call.session().peer();
            held_[call.session().identifier()] = call.stringArgument("name");
            call.succeed({{"uid", peer.uid}, {"pid", peer.pid}, {"privileged", call.session().isPrivileged()}});
        });
        dispatcher.addOperation("probe.later", [this](simmac::OperationCall& call) {
            auto timer = std::make_shared<asio::steady_timer>(context_, std::chrono::milliseconds(50));
            timer->async_wait([timer, deferred = std::move(call)](const std::error_code&) mutable {
                deferred.succeed({{"late", true}});
            });
        });
        dispatcher.addOperation("probe.now", [](simmac::OperationCall& call) { call.succeed({{"late", false}}); });
        dispatcher.addOperation("probe.push", [this](simmac::OperationCall& call) {
            const std::weak_ptr<simmac::ClientSession> session = call.sharedSession();
            call.succeed();
            asio::post(context_, [session] {
                if (const auto target = session.lock()) {
                    target->push({{"message", "will sleep"}});
                }
            });
        });
        dispatcher.addOperation("probe.pushTwiceNow", [](simmac::OperationCall& call) {
            const std::shared_ptr<simmac::ClientSession> session = call.sharedSession();
            call.succeed();
            session->push({{"message", "first"}});
            session->push({{"message", "second"}});
        });
        dispatcher.addOperation("probe.forget", [](simmac::OperationCall&) {});
        dispatcher.addOperation("probe.held", [this](simmac::OperationCall& call) {
            call.succeed({{"count", held_.size()}});
        });
    }

    std::function<void()> prepareModel(const simmac::HardwareModel&) override { return [] {}; }
    void addStatus(Json&) const override {}
    void connectionClosed(simmac::ClientSession& session) override { held_.erase(session.identifier()); }

private:
    asio::io_context& context_;
    std::map<std::uint64_t, std::string> held_;
};

class InProcessSimmac : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/simmac-server-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        socket_ = root_ / "var/run/simmac.sock";
        server_ = std::make_unique<simmac::SimmacServer>(context_, dispatcher_, socket_, 0);
        server_->start();
        loop_ = std::thread([this] { context_.run(); });
    }

    void TearDown() override
    {
        asio::post(context_, [this] {
            server_->stop();
            context_.stop();
        });
        loop_.join();
        std::filesystem::remove_all(root_);
    }

    // Raw bytes on a fresh connection, for peers that break the protocol.
    int rawConnection() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, socket_.c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }

    asio::io_context context_;
    simmac::Dispatcher dispatcher_;
    ProbeModule probe_{dispatcher_, context_};
    std::filesystem::path root_;
    std::filesystem::path socket_;
    std::unique_ptr<simmac::SimmacServer> server_;
    std::thread loop_;
};

}  // namespace

TEST_F(InProcessSimmac, RequestsSeeThePeersCredentials)
{
    SimmacConnection connection(socket_);
    const Json reply = connection.request("probe.hold", {{"name", "PreventUserIdleSystemSleep"}});
    EXPECT_EQ(reply["uid"], getuid());
    EXPECT_EQ(reply["pid"], getpid());
    EXPECT_EQ(reply["privileged"], getuid() == 0);
}

TEST_F(InProcessSimmac, StateTiedToAConnectionIsReleasedWhenItCloses)
{
    SimmacConnection observer(socket_);
    {
        SimmacConnection holder(socket_);
        holder.request("probe.hold", {{"name", "one"}});
        EXPECT_EQ(observer.request("probe.held")["count"], 1);
    }
    // The close is seen on the loop shortly after.
    for (int i = 0; i < 200 && observer.request("probe.held")["count"] != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(observer.request("probe.held")["count"], 0);
}

TEST_F(InProcessSimmac, DeferredAnswersKeepTheConnectionsOrder)
{
    SimmacConnection first(socket_);
    SimmacConnection second(socket_);
    auto late = std::async(std::launch::async, [&] { return first.request("probe.later"); });
    // Another connection is served while the first one waits.
    EXPECT_EQ(second.request("probe.now")["late"], false);
    EXPECT_EQ(late.get()["late"], true);
    EXPECT_EQ(first.request("probe.now")["late"], false);
}

TEST_F(InProcessSimmac, PushedMessagesArriveOnTheConnection)
{
    SimmacConnection connection(socket_);
    connection.request("probe.push");
    // A run loop learns of it from the connection's descriptor.
    pollfd entry{connection.fileDescriptor(), POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 5000), 1);
    const std::optional<Json> message = connection.takePush(std::chrono::seconds(0));
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ((*message)["message"], "will sleep");
    EXPECT_FALSE(connection.takePush(std::chrono::milliseconds(20)).has_value());

    // A push that arrives while a request waits is kept for later.
    connection.request("probe.push");
    connection.request("probe.later");
    EXPECT_EQ(connection.queuedPushCount(), 1u);
    EXPECT_TRUE(connection.takePush(std::chrono::milliseconds(0)).has_value());
}

namespace {

// What a run loop on the descriptor does: a message read along with another
// frame must be queued, as it no longer makes the socket readable.
std::optional<Json> nextPushAsARunLoopSeesIt(SimmacConnection& connection)
{
    if (connection.queuedPushCount() == 0) {
        pollfd entry{connection.fileDescriptor(), POLLIN, 0};
        if (::poll(&entry, 1, 5000) != 1) {
            return std::nullopt;
        }
    }
    return connection.takePush(std::chrono::seconds(5));
}

}  // namespace

TEST_F(InProcessSimmac, PushesRightBehindAReplyAreNotLost)
{
    SimmacConnection connection(socket_);
    for (int round = 0; round < 20; ++round) {
        connection.request("probe.pushTwiceNow");
        const std::optional<Json> first = nextPushAsARunLoopSeesIt(connection);
        ASSERT_TRUE(first.has_value());
        EXPECT_EQ((*first)["message"], "first");
        const std::optional<Json> second = nextPushAsARunLoopSeesIt(connection);
        ASSERT_TRUE(second.has_value());
        EXPECT_EQ((*second)["message"], "second");
        EXPECT_EQ(connection.queuedPushCount(), 0u);
    }
}

TEST_F(InProcessSimmac, ErrorsAreTexts)
{
    SimmacConnection connection(socket_);
    const auto errorOf = [&](const char* operation, const Json& arguments) -> std::string {
        try {
            connection.request(operation, arguments);
        } catch (const SimmacError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(errorOf("probe.nothing", Json::object()), "unknown operation \"probe.nothing\"");
    EXPECT_EQ(errorOf("probe.hold", Json::object()), "probe.hold needs the text argument \"name\"");
    EXPECT_EQ(errorOf("probe.forget", Json::object()), "simmac dropped the request probe.forget without an answer");
    EXPECT_EQ(errorOf("iokit.open", {{"class", "IOAudioDevice"}}), "no service of class IOAudioDevice");
    // The connection still works after refusals.
    EXPECT_EQ(connection.request("probe.now")["late"], false);
}

TEST_F(InProcessSimmac, ABrokenPeerLosesOnlyItsOwnConnection)
{
    SimmacConnection healthy(socket_);
    struct Garbage {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Garbage cases[] = {
        {"unknown frame kind", {1, 0, 0, 0, 9, 0}},
        {"frame over 1 MiB", {0, 0, 0x20, 0, 3}},
        {"reply kind from a client", {2, 0, 0, 0, 4, '{', '}'}},
        {"struct call too short", {2, 0, 0, 0, 1, 0, 0}},
        {"query without its operation", {0, 0, 0, 0, 6}},
        {"query reply from a client", {1, 0, 0, 0, 7, 0}},
    };
    for (const Garbage& garbage : cases) {
        const int fd = rawConnection();
        ASSERT_EQ(::send(fd, garbage.bytes.data(), garbage.bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(garbage.bytes.size()));
        char byte;
        EXPECT_EQ(::recv(fd, &byte, 1, 0), 0) << garbage.what << ": connection not closed";
        ::close(fd);
        EXPECT_EQ(healthy.request("probe.now")["late"], false) << garbage.what;
    }

    // A request that is not JSON gets an error reply, not a closed connection.
    const int fd = rawConnection();
    const std::uint8_t notJson[] = {3, 0, 0, 0, 3, 'x', 'y', 'z'};
    ASSERT_EQ(::send(fd, notJson, sizeof notJson, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof notJson));
    std::uint8_t header[5];
    ASSERT_EQ(::recv(fd, header, sizeof header, MSG_WAITALL), 5);
    EXPECT_EQ(header[4], 4);
    ::close(fd);
}

TEST_F(InProcessSimmac, ASecondServerOnTheSameSocketRefusesToStart)
{
    asio::io_context other;
    simmac::Dispatcher dispatcher;
    simmac::SimmacServer second(other, dispatcher, socket_, 0);
    EXPECT_THROW(second.start(), simmac::SimulatorError);
    SimmacConnection stillServed(socket_);
    EXPECT_EQ(stillServed.request("probe.now")["late"], false);

    // Someone's file where a socket belongs is refused, never removed.
    const std::filesystem::path occupied = root_ / "occupied.sock";
    std::ofstream(occupied) << "not a socket";
    simmac::SimmacServer third(other, dispatcher, occupied, 0);
    EXPECT_THROW(third.start(), simmac::SimulatorError);
    third.stop();
    EXPECT_TRUE(std::filesystem::is_regular_file(occupied));
}
