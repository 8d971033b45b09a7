#pragma once

#include "Services/AppClock.h"

#include <cstddef>
#include <mutex>
#include <vector>

namespace velkora {

// A clock that stands still until it is told to move: tests advance it and
// every timer, sleep and daemon time-out that falls due on the way fires in
// the order of its deadline. Timer actions and the resumption of a sleeping
// coroutine run on the main thread: actions inside advance(), coroutines from
// the event loop afterwards (so a test processes events, or waits for a
// condition, after advancing). Daemon time-outs run on a thread of their own,
// as a real TimeoutScheduler's do, and advance() waits for them.
class ManualAppClock final : public AppClock, public std::enable_shared_from_this<ManualAppClock> {
public:
    // Starts at the given date; the monotonic time starts at an arbitrary instant.
    static std::shared_ptr<ManualAppClock> create(Date start = std::chrono::system_clock::now());

    Instant now() const override;
    Date date() const override;
    std::shared_ptr<AppClockTimer> singleShot(Duration delay, std::function<void()> action) override;
    std::shared_ptr<TimeoutScheduler> timeoutScheduler() override;

    // Moves both times forward by `duration` (not negative), firing what
    // falls due on the way; the times read, inside each action, its deadline.
    void advance(Duration duration);

    // Timers not yet fired nor cancelled, time-outs included.
    std::size_t pendingTimerCount() const;
    // Whether a sleep of exactly `duration` was begun at the current time and
    // is still waiting: how a test tells that a loop has finished its pass.
    bool hasSleeperStartedNow(Duration duration) const;

protected:
    std::shared_ptr<AppClockTimer> sleepTimer(Duration duration, std::function<void()> wake) override;

private:
    struct Entry;
    class Timer;
    class Scheduler;

    ManualAppClock(Date start);
    std::shared_ptr<AppClockTimer> add(Duration delay, std::function<void()> action, bool sleeper, bool ownThread);

    mutable std::mutex mutex_;
    Instant now_;
    Date date_;
    std::uint64_t nextSequence_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
    std::shared_ptr<Scheduler> scheduler_;
};

}  // namespace velkora
