#pragma once

#include <asio.hpp>

#include <memory>
#include <string>
#include <thread>
#include <utility>

namespace velkora {

// A serial execution context: one thread running one io_context, so that
// blocks submitted from any thread run one at a time, in submission order.
// Timers made on context() fire on the same thread.
class SerialQueue {
public:
    // `label` names the thread.
    explicit SerialQueue(const std::string& label);
    // Stops the queue: blocks not yet started are dropped (with whatever they
    // hold), a running one finishes first. Safe from the queue's own thread.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    asio::io_context& context() { return state_->io; }

    template <typename Block>
    void async(Block&& block)
    {
        asio::post(state_->io, std::forward<Block>(block));
    }

    // The same as the destructor, earlier; later submissions are dropped.
    void stop();

    bool isCurrent() const { return std::this_thread::get_id() == threadId_; }

private:
    // Shared with the thread, so that a queue destroyed from inside one of its
    // own blocks stays valid until that block has returned.
    struct State {
        asio::io_context io{1};
        asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
    std::thread::id threadId_;
};

}  // namespace velkora
