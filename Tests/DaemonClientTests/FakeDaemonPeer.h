#pragma once

#include "Services/VelkoraDaemonProxy.h"
#include "VelkoraCore/IPC.h"
#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCListener.h"

#include <asio.hpp>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velkora::test {

using Bytes = std::vector<std::uint8_t>;

// One request as the fake daemon sees it, with what it may do about it.
struct DaemonRequest {
    std::string selector;
    std::optional<Bytes> argument;
    platform::NSXPCReply reply;
    std::weak_ptr<platform::NSXPCConnection> connection;

    void answer(std::optional<Bytes> data, std::optional<std::string> text) const
    {
        reply(std::move(data), std::move(text));
    }
    // The daemon closes this client's connection, as when it exits.
    void dropConnection() const
    {
        if (const auto live = connection.lock()) {
            live->invalidate();
        }
    }
};

// A daemon whose every answer the test scripts: it listens on the daemon's
// mach service in the test's simulated root and hands each request to the
// script on the serving connection's thread. The script may answer at once,
// later (`later`), never (`hold`), or drop the connection.
class FakeDaemonPeer {
public:
    using Script = std::function<void(DaemonRequest)>;

    explicit FakeDaemonPeer(Script script)
        : state_(std::make_shared<State>(std::move(script))),
          listener_(std::make_unique<platform::NSXPCListener>(std::string(IPC::machServiceName)))
    {
        listener_->setDelegate(std::make_shared<Delegate>(state_));
        listener_->resume();
    }

    ~FakeDaemonPeer() { die(); }

    // The daemon's process ends: its listener and every connection go.
    void die()
    {
        state_->releaseHeld();
        listener_.reset();
    }

    void hold(DaemonRequest request) { state_->hold(std::move(request)); }

    std::vector<DaemonRequest> takeHeld() { return state_->takeHeld(); }

    // Runs `work` on the peer's own timer thread after `delay`.
    void later(std::chrono::microseconds delay, std::function<void()> work) { state_->later(delay, std::move(work)); }

    bool waitForRequests(int count, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        return state_->waitFor([&] { return state_->requests >= count; }, limit);
    }
    bool waitForHeld(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        return state_->waitFor([&] { return state_->held.size() >= count; }, limit);
    }
    int acceptedConnections()
    {
        std::lock_guard lock(state_->mutex);
        return state_->accepted;
    }
    int requestCount()
    {
        std::lock_guard lock(state_->mutex);
        return state_->requests;
    }

private:
    struct State {
        explicit State(Script script)
            : script(std::move(script)), workGuard(io.get_executor()), thread([this] { io.run(); })
        {
        }
        ~State()
        {
            workGuard.reset();
            io.stop();
            thread.join();
        }

        void received(DaemonRequest request)
        {
            {
                std::lock_guard lock(mutex);
                ++requests;
                changed.notify_all();
            }
            script(std::move(request));
        }
        void hold(DaemonRequest request)
        {
            std::lock_guard lock(mutex);
            held.push_back(std::move(request));
            changed.notify_all();
        }
        std::vector<DaemonRequest> takeHeld()
        {
            std::lock_guard lock(mutex);
            return std::exchange(held, {});
        }
        void releaseHeld() { takeHeld(); }
        void later(std::chrono::microseconds delay, std::function<void()> work)
        {
            auto timer = std::make_shared<asio::steady_timer>(io);
            asio::post(io, [timer, delay, work = std::move(work)]() mutable {
                timer->expires_after(delay);
                timer->async_wait([timer, work = std::move(work)](const std::error_code&) { work(); });
            });
        }
        template <typename Predicate>
        bool waitFor(Predicate ready, std::chrono::milliseconds limit)
        {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, limit, ready);
        }

        const Script script;
        std::mutex mutex;
        std::condition_variable changed;
        int accepted = 0;
        int requests = 0;
        std::vector<DaemonRequest> held;
        asio::io_context io;
        asio::executor_work_guard<asio::io_context::executor_type> workGuard;
        std::thread thread;
    };

    class Exported final : public platform::NSXPCExportedObject {
    public:
        Exported(std::weak_ptr<State> state, std::weak_ptr<platform::NSXPCConnection> connection)
            : state_(std::move(state)), connection_(std::move(connection))
        {
        }
        void dispatch(const std::string& selector, std::optional<Bytes> argument, platform::NSXPCReply reply) override
        {
            if (const auto state = state_.lock()) {
                state->received(DaemonRequest{selector, std::move(argument), std::move(reply), connection_});
            }
        }

    private:
        std::weak_ptr<State> state_;
        std::weak_ptr<platform::NSXPCConnection> connection_;
    };

    class Delegate final : public platform::NSXPCListenerDelegate {
    public:
        explicit Delegate(std::weak_ptr<State> state) : state_(std::move(state)) {}
        bool shouldAcceptNewConnection(platform::NSXPCListener&,
                                       std::shared_ptr<platform::NSXPCConnection> connection) override
        {
            const auto state = state_.lock();
            if (!state) {
                return false;
            }
            {
                std::lock_guard lock(state->mutex);
                ++state->accepted;
            }
            connection->setExportedInterface(VelkoraDaemonProxy::interface());
            connection->setExportedObject(std::make_shared<Exported>(state_, connection));
            connection->resume();
            return true;
        }

    private:
        std::weak_ptr<State> state_;
    };

    std::shared_ptr<State> state_;
    std::unique_ptr<platform::NSXPCListener> listener_;
};

}  // namespace velkora::test
