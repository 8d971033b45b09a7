#pragma once

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCError.h"
#include "XPC/NSXPCListener.h"

namespace platform::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline constexpr auto patience = 5s;
inline const std::string serviceName = "com.velkora.test-service";

inline Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Counts events that happen on other threads and lets a test wait for them.
class EventCounter {
public:
    void record()
    {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }

    bool waitFor(int wanted, std::chrono::milliseconds timeout = patience)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return count_ >= wanted; });
    }

    int count()
    {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// The server's side of the test protocol: answers, fails, holds or drops as the selector says.
class TestService : public NSXPCExportedObject {
public:
    void dispatch(const std::string& selector, std::optional<Bytes> argument, NSXPCReply reply) override
    {
        if (selector == "pingWithReply:") {
            reply(std::string("pong"));
        } else if (selector == "echoWithData:reply:") {
            reply(std::move(argument), std::nullopt);
        } else if (selector == "failWithReply:") {
            reply(std::nullopt, std::string("it failed"));
        } else if (selector == "wrongShapeWithReply:") {
            reply(bytesOf("not a text"), std::nullopt);
        } else if (selector == "holdWithReply:") {
            std::lock_guard lock(mutex_);
            held_.push_back(std::move(reply));
            holds.record();
        }
        // "dropWithReply:" lets the reply go unanswered.
    }

    void answerHeld()
    {
        std::vector<NSXPCReply> held;
        {
            std::lock_guard lock(mutex_);
            std::swap(held, held_);
        }
        for (const NSXPCReply& reply : held) {
            reply(bytesOf("late"), std::nullopt);
        }
    }

    EventCounter holds;

private:
    std::mutex mutex_;
    std::vector<NSXPCReply> held_;
};

inline std::vector<NSXPCMethod> serverMethods()
{
    return {
        {"pingWithReply:", NSXPCArgument::none, NSXPCReplyShape::text},
        {"echoWithData:reply:", NSXPCArgument::data, NSXPCReplyShape::dataAndText},
        {"failWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText},
        {"holdWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText},
        {"dropWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText},
        {"wrongShapeWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText},
    };
}

inline NSXPCInterface serverInterface()
{
    return NSXPCInterface("TestProtocol", serverMethods());
}

// What the client believes: the same protocol, one selector more than the
// server serves, and one reply declared as a single text that the server
// answers with data.
inline NSXPCInterface clientInterface()
{
    std::vector<NSXPCMethod> methods = serverMethods();
    methods.push_back({"missingWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText});
    for (NSXPCMethod& method : methods) {
        if (method.selector == "wrongShapeWithReply:") {
            method.reply = NSXPCReplyShape::text;
        }
    }
    return NSXPCInterface("TestProtocol", methods);
}

class TestDelegate : public NSXPCListenerDelegate {
public:
    explicit TestDelegate(std::shared_ptr<TestService> service, bool accepts = true)
        : service_(std::move(service)), accepts_(accepts)
    {
    }

    bool shouldAcceptNewConnection(NSXPCListener&, std::shared_ptr<NSXPCConnection> connection) override
    {
        {
            std::lock_guard lock(mutex_);
            peers_.emplace_back(connection->processIdentifier(), connection->effectiveUserIdentifier());
        }
        offered.record();
        if (!accepts_) {
            return false;
        }
        connection->setExportedInterface(serverInterface());
        connection->setExportedObject(service_);
        connection->setInvalidationHandler([this] { invalidated.record(); });
        connection->resume();
        return true;
    }

    std::vector<std::pair<pid_t, uid_t>> peers()
    {
        std::lock_guard lock(mutex_);
        return peers_;
    }

    EventCounter offered;
    EventCounter invalidated;

private:
    std::shared_ptr<TestService> service_;
    const bool accepts_;
    std::mutex mutex_;
    std::vector<std::pair<pid_t, uid_t>> peers_;
};

using Outcome = std::variant<NSXPCReplyValue, NSError>;

// Sends one message and waits for how it ends.
inline Outcome call(const std::shared_ptr<NSXPCConnection>& connection, const std::string& selector,
                    std::optional<Bytes> argument = std::nullopt)
{
    auto promise = std::make_shared<std::promise<Outcome>>();
    auto outcome = promise->get_future();
    connection->remoteObjectProxyWithErrorHandler([promise](const NSError& error) { promise->set_value(error); })
        .send(selector, std::move(argument), [promise](NSXPCReplyValue value) { promise->set_value(std::move(value)); });
    if (outcome.wait_for(patience) != std::future_status::ready) {
        ADD_FAILURE() << selector << " did not end within " << patience.count() << " s";
        return NSError("timeout", 0);
    }
    return outcome.get();
}

inline long errorCode(const Outcome& outcome)
{
    const auto* error = std::get_if<NSError>(&outcome);
    return error == nullptr ? 0 : error->code();
}

inline std::string replyText(const Outcome& outcome)
{
    const auto* value = std::get_if<NSXPCReplyValue>(&outcome);
    return value != nullptr && value->text ? *value->text : std::string("<no text>");
}

// Every test runs against its own simulated root.
class XPCTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "xpc-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
        service = std::make_shared<TestService>();
        delegate = std::make_shared<TestDelegate>(service);
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    std::unique_ptr<NSXPCListener> startListener(std::shared_ptr<NSXPCListenerDelegate> chosen = nullptr)
    {
        auto listener = std::make_unique<NSXPCListener>(serviceName);
        listener->setDelegate(chosen ? chosen : delegate);
        listener->resume();
        return listener;
    }

    std::shared_ptr<NSXPCConnection> connect(const std::string& name = serviceName)
    {
        auto connection = std::make_shared<NSXPCConnection>(name, NSXPCConnectionOptions::none);
        connection->setRemoteObjectInterface(clientInterface());
        connection->setInterruptionHandler([this] { interruptions.record(); });
        connection->setInvalidationHandler([this] { invalidations.record(); });
        connection->resume();
        return connection;
    }

    // A plain socket to the service, for peers that do not speak the
    // protocol; with `awaitGreeting`, returned once the service greeted it.
    int rawClient(bool awaitGreeting = true)
    {
        const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = NSXPCListener::socketPathForMachService(serviceName).string();
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        timeval timeout{static_cast<time_t>(patience.count()), 0};
        setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        if (awaitGreeting) {
            // Length 12, kind 5, request id 0, no selector, no flags.
            const Bytes greeting{0, 0, 0, 12, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            Bytes received(greeting.size());
            EXPECT_EQ(recv(descriptor, received.data(), received.size(), MSG_WAITALL),
                      static_cast<ssize_t>(greeting.size()));
            EXPECT_EQ(received, greeting);
        }
        return descriptor;
    }

    std::filesystem::path root_;
    std::shared_ptr<TestService> service;
    std::shared_ptr<TestDelegate> delegate;
    EventCounter interruptions;
    EventCounter invalidations;
};

}  // namespace platform::test
