#include "Services/TimeoutScheduler.h"

#include <asio.hpp>

#include <atomic>
#include <thread>

namespace velkora {

namespace {

class SteadyTimeoutTask final : public TimeoutTask, public std::enable_shared_from_this<SteadyTimeoutTask> {
public:
    SteadyTimeoutTask(asio::io_context& io, std::function<void()> action)
        : io_(io), timer_(io), action_(std::move(action))
    {
    }

    // The timer is touched only on the scheduler's thread.
    void start(std::chrono::nanoseconds delay)
    {
        asio::post(io_, [self = shared_from_this(), delay] {
            self->timer_.expires_after(delay);
            self->timer_.async_wait([self](const std::error_code&) { self->fire(); });
        });
    }

    void cancel() override
    {
        if (cancelled_.exchange(true)) {
            return;
        }
        // Ends the wait now, so that the action is let go of at once rather than at the deadline.
        asio::post(io_, [self = shared_from_this()] { self->timer_.cancel(); });
    }

private:
    void fire()
    {
        std::function<void()> action = std::move(action_);
        action_ = nullptr;
        if (action && !cancelled_.load()) {
            action();
        }
    }

    asio::io_context& io_;
    asio::steady_timer timer_;
    std::function<void()> action_;
    std::atomic<bool> cancelled_{false};
};

class SteadyTimeoutScheduler final : public TimeoutScheduler {
public:
    SteadyTimeoutScheduler() : workGuard_(io_.get_executor()), thread_([this] { io_.run(); }) {}

    ~SteadyTimeoutScheduler() override
    {
        workGuard_.reset();
        io_.stop();
        thread_.join();
    }

    std::shared_ptr<TimeoutTask> schedule(std::chrono::nanoseconds delay, std::function<void()> action) override
    {
        auto task = std::make_shared<SteadyTimeoutTask>(io_, std::move(action));
        task->start(delay);
        return task;
    }

private:
    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> workGuard_;
    std::thread thread_;
};

}  // namespace

std::shared_ptr<TimeoutScheduler> TimeoutScheduler::steady()
{
    static const std::shared_ptr<TimeoutScheduler> scheduler = std::make_shared<SteadyTimeoutScheduler>();
    return scheduler;
}

}  // namespace velkora
