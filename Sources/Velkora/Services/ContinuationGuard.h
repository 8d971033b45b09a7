#pragma once

#include "CheckedContinuation.h"
#include "Services/TimeoutScheduler.h"

#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace velkora {

// A pending call seen without its reply type, so that a dropped connection
// can fail every call it carried.
class AnyPendingCall {
public:
    virtual ~AnyPendingCall() = default;
    virtual void fail(std::exception_ptr error) = 0;
};

// Holds the continuation of the coroutine that awaits one call, and the
// call's time-out, and makes sure the continuation is resumed at most once.
// Its lock is never held together with the client's state lock, nor while
// the continuation is resumed or the time-out cancelled.
template <typename T>
class ContinuationGuard final : public AnyPendingCall {
public:
    void store(CheckedContinuation<T> continuation)
    {
        std::lock_guard lock(mutex_);
        continuation_.emplace(std::move(continuation));
    }

    void setTimeoutTask(std::shared_ptr<TimeoutTask> task)
    {
        std::unique_lock lock(mutex_);
        if (!continuation_) {
            // The call ended before its time-out was handed over.
            lock.unlock();
            task->cancel();
            return;
        }
        std::swap(timeoutTask_, task);
        lock.unlock();
    }

    void resume(CallResult<T> result)
    {
        std::optional<CheckedContinuation<T>> continuation;
        std::shared_ptr<TimeoutTask> task;
        {
            std::lock_guard lock(mutex_);
            std::swap(continuation, continuation_);
            std::swap(task, timeoutTask_);
        }
        if (task) {
            task->cancel();
        }
        if (continuation) {
            continuation->resume(std::move(result));
        }
    }

    void resumeThrowing(std::exception_ptr error) { resume(CallResult<T>(std::in_place_index<1>, std::move(error))); }

    void fail(std::exception_ptr error) override { resumeThrowing(std::move(error)); }

private:
    std::mutex mutex_;
    std::optional<CheckedContinuation<T>> continuation_;
    std::shared_ptr<TimeoutTask> timeoutTask_;
};

}  // namespace velkora
