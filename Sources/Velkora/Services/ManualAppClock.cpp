#include "Services/ManualAppClock.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace velkora {

struct ManualAppClock::Entry {
    Instant startedAt;
    Instant deadline;
    std::uint64_t sequence = 0;
    std::function<void()> action;
    bool sleeper = false;
    bool ownThread = false;
};

class ManualAppClock::Timer final : public AppClockTimer, public TimeoutTask {
public:
    Timer(std::weak_ptr<ManualAppClock> clock, std::weak_ptr<Entry> entry)
        : clock_(std::move(clock)), entry_(std::move(entry))
    {
    }

    void cancel() override
    {
        const auto clock = clock_.lock();
        const auto entry = entry_.lock();
        if (!clock || !entry) {
            return;
        }
        std::function<void()> dropped;
        std::lock_guard lock(clock->mutex_);
        const auto found = std::find(clock->entries_.begin(), clock->entries_.end(), entry);
        if (found != clock->entries_.end()) {
            dropped = std::move((*found)->action);
            clock->entries_.erase(found);
        }
    }

private:
    std::weak_ptr<ManualAppClock> clock_;
    std::weak_ptr<Entry> entry_;
};

class ManualAppClock::Scheduler final : public TimeoutScheduler {
public:
    explicit Scheduler(std::weak_ptr<ManualAppClock> clock) : clock_(std::move(clock)) {}

    std::shared_ptr<TimeoutTask> schedule(std::chrono::nanoseconds delay, std::function<void()> action) override
    {
        const auto clock = clock_.lock();
        if (!clock) {
            throw std::logic_error("A time-out was scheduled on a manual clock that no longer exists");
        }
        return std::dynamic_pointer_cast<Timer>(clock->add(delay, std::move(action), false, true));
    }

private:
    std::weak_ptr<ManualAppClock> clock_;
};

std::shared_ptr<ManualAppClock> ManualAppClock::create(Date start)
{
    auto clock = std::shared_ptr<ManualAppClock>(new ManualAppClock(start));
    clock->scheduler_ = std::make_shared<Scheduler>(clock);
    return clock;
}

ManualAppClock::ManualAppClock(Date start) : now_(std::chrono::hours(1000)), date_(start) {}

AppClock::Instant ManualAppClock::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

AppClock::Date ManualAppClock::date() const
{
    std::lock_guard lock(mutex_);
    return date_;
}

std::shared_ptr<AppClockTimer> ManualAppClock::singleShot(Duration delay, std::function<void()> action)
{
    return add(delay, std::move(action), false, false);
}

std::shared_ptr<AppClockTimer> ManualAppClock::sleepTimer(Duration duration, std::function<void()> wake)
{
    return add(duration, std::move(wake), true, false);
}

std::shared_ptr<TimeoutScheduler> ManualAppClock::timeoutScheduler()
{
    return scheduler_;
}

std::shared_ptr<AppClockTimer> ManualAppClock::add(Duration delay, std::function<void()> action, bool sleeper,
                                                   bool ownThread)
{
    auto entry = std::make_shared<Entry>();
    entry->action = std::move(action);
    entry->sleeper = sleeper;
    entry->ownThread = ownThread;
    {
        std::lock_guard lock(mutex_);
        entry->startedAt = now_;
        entry->deadline = now_ + std::max(delay, Duration::zero());
        entry->sequence = nextSequence_++;
        entries_.push_back(entry);
    }
    return std::make_shared<Timer>(weak_from_this(), entry);
}

void ManualAppClock::advance(Duration duration)
{
    if (duration < Duration::zero()) {
        throw std::invalid_argument("A manual clock only moves forward");
    }
    Instant target;
    {
        std::lock_guard lock(mutex_);
        target = now_ + duration;
    }
    for (;;) {
        std::shared_ptr<Entry> due;
        {
            std::lock_guard lock(mutex_);
            const auto earliest = std::min_element(
                entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
                    return a->deadline != b->deadline ? a->deadline < b->deadline : a->sequence < b->sequence;
                });
            if (earliest == entries_.end() || (*earliest)->deadline > target) {
                date_ += target - now_;
                now_ = target;
                return;
            }
            due = *earliest;
            entries_.erase(earliest);
            date_ += due->deadline - now_;
            now_ = due->deadline;
        }
        if (due->ownThread) {
            std::thread(std::move(due->action)).join();
        } else {
            due->action();
        }
    }
}

std::size_t ManualAppClock::pendingTimerCount() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

bool ManualAppClock::hasSleeperStartedNow(Duration duration) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return entry->sleeper && entry->startedAt == now_ && entry->deadline - entry->startedAt == duration;
    });
}

}  // namespace velkora
