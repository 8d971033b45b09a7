#pragma once

#include "Services/TimeoutScheduler.h"

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>

namespace velkora {

// A single-shot timer of an AppClock. Cancelling it before it fired keeps
// its action from running; afterwards, or twice, it does nothing. Safe from
// any thread.
class AppClockTimer {
public:
    virtual ~AppClockTimer() = default;
    virtual void cancel() = 0;
};

// The application's one clock. Everything in the model and the views that
// waits or compares times asks it, so that a test can swap in a
// ManualAppClock and run minutes or hours of the application's life in
// milliseconds of its own.
//
// now() is the monotonic clock that delays and back-offs are measured on;
// date() is the wall-clock date stamped on readings and schedules. Both may
// be read from any thread. Timers and sleeps are made and end on the main
// thread (the thread that runs the Qt event loop of the application).
class AppClock {
public:
    using Instant = std::chrono::steady_clock::time_point;
    using Date = std::chrono::system_clock::time_point;
    using Duration = std::chrono::nanoseconds;

    virtual ~AppClock() = default;

    virtual Instant now() const = 0;
    virtual Date date() const = 0;

    // Runs `action` on the main thread once `delay` has passed (at once, from
    // the event loop, for a delay of zero or less), unless the returned timer
    // was cancelled first. Called on the main thread.
    virtual std::shared_ptr<AppClockTimer> singleShot(Duration delay, std::function<void()> action) = 0;

    // Suspends the awaiting coroutine for `duration`. True when the time
    // passed; false as soon as `cancellation` is triggered (at once when it
    // already was). The coroutine resumes on the main thread, from the event
    // loop, never inside this call. Never throws.
    QCoro::Task<bool> sleep(Duration duration, std::stop_token cancellation = {});

    // Time-outs of the daemon client measured on this clock.
    virtual std::shared_ptr<TimeoutScheduler> timeoutScheduler() = 0;

    // The process's real clock: the steady clock, the system date, Qt's
    // precise timers and the steady time-out scheduler. Made on first use;
    // its timers need the Qt application to exist.
    static std::shared_ptr<AppClock> system();

protected:
    // The timer behind sleep(); a single shot unless a clock tells sleeps apart.
    virtual std::shared_ptr<AppClockTimer> sleepTimer(Duration duration, std::function<void()> wake)
    {
        return singleShot(duration, std::move(wake));
    }
};

}  // namespace velkora
