#pragma once

#include <QCoro/QCoroTask>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace velkora::test {

inline constexpr std::chrono::milliseconds patience{10000};

// Runs this thread's event loop until `done` holds or the limit passes.
inline bool runEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = patience)
{
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    const QDeadlineTimer deadline(limit);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    poll.start(1);
    loop.exec();
    return done();
}

// Lets whatever is already on its way to this thread's event loop arrive.
inline void runEventsFor(std::chrono::milliseconds duration)
{
    const QDeadlineTimer deadline(duration);
    runEventsUntil([&] { return deadline.hasExpired(); }, duration * 2);
}

// How one operation ended, and on which thread its awaiting coroutine resumed.
template <typename T>
struct Outcome {
    int endings = 0;
    std::optional<T> value;
    std::exception_ptr error;
    std::thread::id resumedOn;
};

// An operation started on this thread and awaited by a coroutine of its own.
template <typename T>
class Started {
public:
    explicit Started(QCoro::Task<T> task)
        : outcome_(std::make_shared<Outcome<T>>()), recorder_(record(std::move(task), outcome_))
    {
    }

    bool ended() const { return outcome_->endings > 0; }

    // Runs this thread's event loop until the operation has ended.
    const Outcome<T>& wait(std::chrono::milliseconds limit = patience)
    {
        runEventsUntil([this] { return ended(); }, limit);
        return *outcome_;
    }

    const Outcome<T>& outcome() const { return *outcome_; }

private:
    static QCoro::Task<void> record(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome)
    {
        try {
            outcome->value = co_await task;
        } catch (...) {
            outcome->error = std::current_exception();
        }
        outcome->resumedOn = std::this_thread::get_id();
        ++outcome->endings;
    }

    std::shared_ptr<Outcome<T>> outcome_;
    QCoro::Task<void> recorder_;
};

template <typename T>
Outcome<T> await(QCoro::Task<T> task)
{
    Started<T> started(std::move(task));
    return started.wait();
}

}  // namespace velkora::test
