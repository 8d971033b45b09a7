#include "SerialQueue.h"

#include <pthread.h>

namespace velkora {

SerialQueue::SerialQueue(const std::string& label)
    : state_(std::make_shared<State>()),
      thread_([state = state_] { state->io.run(); })
{
    threadId_ = thread_.get_id();
    // Thread names are at most 15 characters; the end of the label tells queues apart.
    const std::string name = label.size() > 15 ? label.substr(label.size() - 15) : label;
    pthread_setname_np(thread_.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue()
{
    stop();
}

void SerialQueue::stop()
{
    if (!thread_.joinable()) {
        return;
    }
    state_->work.reset();
    state_->io.stop();
    if (isCurrent()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

}  // namespace velkora
