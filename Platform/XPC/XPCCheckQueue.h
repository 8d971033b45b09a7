#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// A fixed number of workers that run a listener's checks of new clients, and
// a bounded line of checks waiting for one. A check may take long (it reads
// files its client controls, within its own time limit), so checks never run
// on the threads that serve connections, and no number of clients waiting to
// be checked costs more than the line's places.
class XPCCheckQueue {
public:
    XPCCheckQueue(std::size_t workerCount, std::size_t waitingLimit);
    // Drops the checks still waiting and waits for the running ones.
    ~XPCCheckQueue();

    XPCCheckQueue(const XPCCheckQueue&) = delete;
    XPCCheckQueue& operator=(const XPCCheckQueue&) = delete;

    // Workers that run; fewer than asked when the system refused threads.
    std::size_t workerCount() const { return workers_.size(); }

    // Lines the check up; false when every place is taken or no worker runs.
    bool submit(std::function<void()> check);

private:
    void work();

    const std::size_t waitingLimit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> waiting_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace platform
