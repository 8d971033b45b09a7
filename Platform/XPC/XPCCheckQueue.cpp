#include "XPCCheckQueue.h"

#include <system_error>
#include <utility>

namespace platform {

XPCCheckQueue::XPCCheckQueue(std::size_t workerCount, std::size_t waitingLimit) : waitingLimit_(waitingLimit)
{
    for (std::size_t index = 0; index < workerCount; ++index) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

XPCCheckQueue::~XPCCheckQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

bool XPCCheckQueue::submit(std::function<void()> check)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || workers_.empty() || waiting_.size() >= waitingLimit_) {
            return false;
        }
        waiting_.push_back(std::move(check));
    }
    changed_.notify_one();
    return true;
}

void XPCCheckQueue::work()
{
    for (;;) {
        std::function<void()> check;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) {
                return;
            }
            check = std::move(waiting_.front());
            waiting_.pop_front();
        }
        check();
    }
}

}  // namespace platform
