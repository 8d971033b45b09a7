#pragma once

#include <QEvent>
#include <QObject>

#include <atomic>
#include <coroutine>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

namespace velkora {

// How a call ended: its value or the error it failed with.
template <typename T>
using CallResult = std::variant<T, std::exception_ptr>;

// Resumes one suspended coroutine on the thread it suspended on, through that
// thread's Qt event loop. Made on the awaiting thread; it deletes itself there.
class ResumeContext final : public QObject {
public:
    explicit ResumeContext(std::coroutine_handle<> awaiting) : awaiting_(awaiting) {}

    // Safe from any thread, once.
    void resumeOnItsThread();

protected:
    bool event(QEvent* event) override;

private:
    static QEvent::Type resumeEventType();

    std::coroutine_handle<> awaiting_;
    // Also hands the resumption over through the event queue, but in terms
    // that a race checker sees: the queue's own locks are Qt's.
    std::atomic<bool> resumeRequested_{false};
};

// The continuation of a coroutine that awaits a call: the coroutine co_awaits
// it on its own thread, and whoever ends the call resumes it, once, from any
// thread; later resumptions are ignored. The awaiting coroutine then carries
// on on its own thread with the value, or the error rethrown.
template <typename T>
class CheckedContinuation {
public:
    CheckedContinuation() : state_(std::make_shared<State>()) {}

    void resume(CallResult<T> result) const
    {
        ResumeContext* context = nullptr;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->result) {
                return;
            }
            state_->result.emplace(std::move(result));
            std::swap(context, state_->context);
        }
        if (context) {
            context->resumeOnItsThread();
        }
    }

    bool await_ready() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->result.has_value();
    }

    bool await_suspend(std::coroutine_handle<> awaiting) const
    {
        auto context = std::make_unique<ResumeContext>(awaiting);
        std::lock_guard lock(state_->mutex);
        if (state_->result) {
            return false;
        }
        state_->context = context.release();
        return true;
    }

    T await_resume() const
    {
        CallResult<T> result = [this] {
            std::lock_guard lock(state_->mutex);
            return std::move(*state_->result);
        }();
        if (auto* error = std::get_if<std::exception_ptr>(&result)) {
            std::rethrow_exception(*error);
        }
        return std::get<T>(std::move(result));
    }

private:
    struct State {
        std::mutex mutex;
        std::optional<CallResult<T>> result;
        ResumeContext* context = nullptr;
    };

    std::shared_ptr<State> state_;
};

}  // namespace velkora
