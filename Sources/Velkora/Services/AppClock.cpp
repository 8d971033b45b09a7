#include "Services/AppClock.h"

#include "CheckedContinuation.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <mutex>

namespace velkora {

namespace {

class QtTimer final : public AppClockTimer {
public:
    void cancel() override { cancelled.store(true); }
    std::atomic<bool> cancelled{false};
};

class SystemClock final : public AppClock {
public:
    Instant now() const override { return std::chrono::steady_clock::now(); }
    Date date() const override { return std::chrono::system_clock::now(); }

    std::shared_ptr<AppClockTimer> singleShot(Duration delay, std::function<void()> action) override
    {
        auto timer = std::make_shared<QtTimer>();
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(std::max(delay, Duration::zero()));
        // The timer runs out even when cancelled; only its action is skipped.
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, QCoreApplication::instance(),
                           [timer, action = std::move(action)] {
                               if (!timer->cancelled.exchange(true)) {
                                   action();
                               }
                           });
        return timer;
    }

    std::shared_ptr<TimeoutScheduler> timeoutScheduler() override { return TimeoutScheduler::steady(); }
};

// Whoever comes first, the timer or the cancellation, resumes the sleeper;
// the continuation ignores the second.
struct SleepState {
    CheckedContinuation<bool> continuation;
    std::mutex mutex;
    std::shared_ptr<AppClockTimer> timer;

    void end(bool slept)
    {
        std::shared_ptr<AppClockTimer> taken;
        {
            std::lock_guard lock(mutex);
            std::swap(taken, timer);
        }
        if (taken) {
            taken->cancel();
        }
        continuation.resume(slept);
    }
};

}  // namespace

std::shared_ptr<AppClock> AppClock::system()
{
    static const std::shared_ptr<AppClock> clock = std::make_shared<SystemClock>();
    return clock;
}

QCoro::Task<bool> AppClock::sleep(Duration duration, std::stop_token cancellation)
{
    const auto state = std::make_shared<SleepState>();
    if (cancellation.stop_requested()) {
        co_return false;
    }
    {
        std::shared_ptr<AppClockTimer> timer = sleepTimer(duration, [state] { state->end(true); });
        std::lock_guard lock(state->mutex);
        state->timer = std::move(timer);
    }
    const std::stop_callback cancelled(cancellation, [state] { state->end(false); });
    co_return co_await state->continuation;
}

}  // namespace velkora
