#include "Services/TimeoutScheduler.h"

#include <asio.hpp>

#include <mutex>
#include <thread>

namespace velkora {

namespace {

class SteadyTimeoutTask final : public TimeoutTask, public std::enable_shared_from_this<SteadyTimeoutTask> {
public:
    SteadyTimeoutTask(asio::io_context& io, std::function<void()> action) : timer_(io), action_(std::move(action)) {}

    // Set from the calling thread: the timer is new, and the scheduler's
    // thread only runs its handler, so it is woken when a time-out is due
    // and not for every one that starts.
    void start(std::chrono::nanoseconds delay)
    {
        timer_.expires_after(delay);
        timer_.async_wait([self = shared_from_this()](const std::error_code&) { self->fire(); });
    }

    // The action is let go of at once; its timer is left to run out, since
    // cancelling it would wake the scheduler's thread for nothing, as nearly
    // every time-out ends (the reply came first).
    void cancel() override
    {
        std::function<void()> dropped;
        std::lock_guard lock(mutex_);
        dropped.swap(action_);
    }

private:
    void fire()
    {
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            action.swap(action_);
        }
        if (action) {
            action();
        }
    }

    asio::steady_timer timer_;
    std::mutex mutex_;
    std::function<void()> action_;
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
