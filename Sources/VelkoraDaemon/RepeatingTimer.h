#pragma once

#include <asio.hpp>

#include <chrono>
#include <functional>
#include <memory>

namespace velkora {

// A timer that runs its handler on its io_context's thread every `interval`,
// the first time at once. A tick may come up to `leeway` late: it lands on the
// next whole multiple of the leeway on the monotonic clock, so that the
// wake-ups of every timer with that leeway coincide and the processor sleeps
// longer in between. Ticks missed while the thread was busy are merged into
// one. Call start() and cancel() on the context's thread, or while it is not
// running.
class RepeatingTimer {
public:
    using Clock = std::chrono::steady_clock;

    RepeatingTimer(asio::io_context& context, Clock::duration interval, Clock::duration leeway,
                   std::function<void()> handler);
    ~RepeatingTimer();

    RepeatingTimer(const RepeatingTimer&) = delete;
    RepeatingTimer& operator=(const RepeatingTimer&) = delete;

    void start();
    void cancel();

private:
    struct State;

    static void schedule(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
};

}  // namespace velkora
