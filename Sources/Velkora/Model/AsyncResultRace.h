#pragma once

#include "Services/AppClock.h"
#include "Services/CancellationError.h"
#include "Services/ClientError.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <qcoro/qcorotask.h>

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <variant>

namespace velkora {

// Lets the first of several producers complete one waiting coroutine: the
// operation, a timer, the caller's cancellation. Later results are ignored.
// Producers may resolve from any thread, before or after the waiter is bound;
// the waiter always resumes on the main thread, outside the lock, once.
template <typename T>
class AsyncResultRace {
public:
    using Result = std::variant<T, std::exception_ptr>;

    void resolve(Result result)
    {
        std::coroutine_handle<> waiting;
        {
            std::lock_guard guard(lock_);
            if (isResolved_) {
                return;
            }
            isResolved_ = true;
            if (!continuation_) {
                pendingResult_.emplace(std::move(result));
                return;
            }
            outcome_.emplace(std::move(result));
            std::swap(waiting, continuation_);
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
    }

    auto operator co_await()
    {
        struct Awaiter {
            AsyncResultRace& race;
            bool await_ready() const noexcept { return false; }
            bool await_suspend(std::coroutine_handle<> waiting) { return race.bind(waiting); }
            T await_resume()
            {
                Result result = std::move(*race.outcome_);
                if (auto* error = std::get_if<std::exception_ptr>(&result)) {
                    std::rethrow_exception(*error);
                }
                return std::get<T>(std::move(result));
            }
        };
        return Awaiter{*this};
    }

private:
    // False, and the waiter goes on at once, when a result was already there.
    bool bind(std::coroutine_handle<> waiting)
    {
        std::lock_guard guard(lock_);
        if (pendingResult_) {
            outcome_ = std::move(pendingResult_);
            pendingResult_.reset();
            return false;
        }
        continuation_ = waiting;
        return true;
    }

    std::mutex lock_;
    std::coroutine_handle<> continuation_;
    std::optional<Result> pendingResult_;
    bool isResolved_ = false;
    // Handed from the resolver to the resumed waiter.
    std::optional<Result> outcome_;
};

// Awaits `operation`, but no longer than `seconds` on `clock` (then
// ClientError::connectionUnavailable) and no longer than until `cancellation`
// (then CancellationError). Neither the operation nor the timer is stopped
// when the other wins: a late result is ignored, and the daemon call runs on
// to its own end.
template <typename T>
QCoro::Task<T> withTimeout(std::shared_ptr<AppClock> clock, double seconds, std::function<QCoro::Task<T>()> operation,
                           std::stop_token cancellation)
{
    const auto race = std::make_shared<AsyncResultRace<T>>();
    const std::stop_callback cancelled(cancellation, [race] {
        race->resolve(std::make_exception_ptr(CancellationError()));
    });
    [](std::shared_ptr<AsyncResultRace<T>> race, std::function<QCoro::Task<T>()> operation) -> QCoro::Task<> {
        try {
            T value = co_await operation();
            race->resolve(std::move(value));
        } catch (...) {
            race->resolve(std::current_exception());
        }
    }(race, std::move(operation));
    [](std::shared_ptr<AsyncResultRace<T>> race, std::shared_ptr<AppClock> clock, double seconds) -> QCoro::Task<> {
        const auto duration = std::chrono::duration_cast<AppClock::Duration>(std::chrono::duration<double>(seconds));
        const bool slept = co_await clock->sleep(duration);
        if (slept) {
            race->resolve(std::make_exception_ptr(ClientError::connectionUnavailable()));
        }
    }(race, std::move(clock), seconds);
    co_return co_await *race;
}

}  // namespace velkora
