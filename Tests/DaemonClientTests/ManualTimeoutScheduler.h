#pragma once

#include "Services/TimeoutScheduler.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velkora::test {

// Time-outs that expire only when the test says so.
class ManualTimeoutScheduler final : public TimeoutScheduler {
public:
    class Task final : public TimeoutTask {
    public:
        void cancel() override { cancelled = true; }
        std::atomic<bool> cancelled{false};
    };

    std::shared_ptr<TimeoutTask> schedule(std::chrono::nanoseconds delay, std::function<void()> action) override
    {
        auto task = std::make_shared<Task>();
        std::lock_guard lock(mutex_);
        entries_.push_back(Entry{delay, std::move(action), task});
        return task;
    }

    std::size_t count()
    {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }
    std::chrono::nanoseconds delay(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return entries_.at(index).delay;
    }
    bool cancelled(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return entries_.at(index).task->cancelled;
    }

    // The time-out expires: its action runs on a thread of its own unless it was cancelled.
    void expire(std::size_t index) { run(index, false); }

    // The action runs although the task was cancelled, as when the time-out
    // fired at the moment its call ended and ran on while the call's
    // connection was dropped.
    void expireRacingItsCancellation(std::size_t index) { run(index, true); }

private:
    struct Entry {
        std::chrono::nanoseconds delay;
        std::function<void()> action;
        std::shared_ptr<Task> task;
    };

    void run(std::size_t index, bool evenIfCancelled)
    {
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            Entry& entry = entries_.at(index);
            if (entry.task->cancelled && !evenIfCancelled) {
                return;
            }
            std::swap(action, entry.action);
        }
        if (action) {
            std::thread(std::move(action)).join();
        }
    }

    std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace velkora::test
