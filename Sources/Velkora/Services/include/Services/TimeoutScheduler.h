#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace velkora {

// One scheduled time-out. Cancelling it before its action has started keeps
// the action from running; cancelling it afterwards, or twice, does nothing.
class TimeoutTask {
public:
    virtual ~TimeoutTask() = default;
    virtual void cancel() = 0;
};

// Runs time-out actions on a thread of its own once their delay has passed.
// The clock behind the delays is the scheduler's: the steady clock in the
// application, a clock the test moves in tests.
class TimeoutScheduler {
public:
    virtual ~TimeoutScheduler() = default;

    // `action` runs at most once, never on the calling thread and never
    // after the returned task was cancelled.
    virtual std::shared_ptr<TimeoutTask> schedule(std::chrono::nanoseconds delay, std::function<void()> action) = 0;

    // The process's scheduler on the steady clock, with one thread for every
    // time-out of the process.
    static std::shared_ptr<TimeoutScheduler> steady();
};

}  // namespace velkora
