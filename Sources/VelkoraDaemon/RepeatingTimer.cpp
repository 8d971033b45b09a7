#include "RepeatingTimer.h"

namespace velkora {

struct RepeatingTimer::State {
    State(asio::io_context& context, Clock::duration interval, Clock::duration leeway, std::function<void()> handler)
        : timer(context), interval(interval), leeway(leeway), handler(std::move(handler))
    {
    }

    asio::steady_timer timer;
    const Clock::duration interval;
    const Clock::duration leeway;
    const std::function<void()> handler;
    Clock::time_point deadline{};
    bool running = false;
};

RepeatingTimer::RepeatingTimer(asio::io_context& context, Clock::duration interval, Clock::duration leeway,
                               std::function<void()> handler)
    : state_(std::make_shared<State>(context, interval, leeway, std::move(handler)))
{
}

RepeatingTimer::~RepeatingTimer()
{
    cancel();
}

void RepeatingTimer::start()
{
    if (state_->running) {
        return;
    }
    state_->running = true;
    state_->deadline = Clock::now();
    schedule(state_);
}

void RepeatingTimer::cancel()
{
    state_->running = false;
    state_->timer.cancel();
}

void RepeatingTimer::schedule(const std::shared_ptr<State>& state)
{
    Clock::time_point fireAt = state->deadline;
    if (state->leeway > Clock::duration::zero()) {
        const Clock::duration sinceEpoch = fireAt.time_since_epoch();
        const Clock::duration remainder = sinceEpoch % state->leeway;
        if (remainder != Clock::duration::zero()) {
            fireAt += state->leeway - remainder;
        }
    }
    state->timer.expires_at(fireAt);
    state->timer.async_wait([weakState = std::weak_ptr<State>(state)](const std::error_code& error) {
        const std::shared_ptr<State> state = weakState.lock();
        if (error || !state || !state->running) {
            return;
        }
        state->handler();
        if (!state->running) {
            return;
        }
        state->deadline += state->interval;
        // After a stall, carry on from now rather than firing the missed ticks back to back.
        if (const Clock::time_point now = Clock::now(); state->deadline < now) {
            state->deadline = now;
        }
        schedule(state);
    });
}

}  // namespace velkora
