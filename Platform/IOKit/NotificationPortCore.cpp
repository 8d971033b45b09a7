#include "NotificationPortCore.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

namespace platform {

std::shared_ptr<simulator::SimmacConnection> NotificationPortCore::connection()
{
    std::lock_guard lock(mutex_);
    if (closed_) {
        throw simulator::SimmacError("the notification port was destroyed");
    }
    if (!connection_) {
        connection_ = std::make_shared<simulator::SimmacConnection>();
    }
    return connection_;
}

int NotificationPortCore::fileDescriptor() const
{
    std::lock_guard lock(mutex_);
    return connection_ ? connection_->fileDescriptor() : -1;
}

void NotificationPortCore::addTarget(std::uint64_t registration, Target target)
{
    std::lock_guard lock(mutex_);
    targets_[registration] = target;
}

void NotificationPortCore::removeTarget(std::uint64_t registration)
{
    std::lock_guard lock(mutex_);
    targets_.erase(registration);
}

void NotificationPortCore::close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    targets_.clear();
    connection_.reset();
}

void NotificationPortCore::silence(const std::shared_ptr<simulator::SimmacConnection>& connection)
{
    const int quiet = ::eventfd(0, EFD_CLOEXEC);
    if (quiet >= 0) {
        ::dup2(quiet, connection->fileDescriptor());
        ::close(quiet);
    }
}

std::size_t NotificationPortCore::dispatchPending()
{
    std::shared_ptr<simulator::SimmacConnection> connection;
    {
        std::lock_guard lock(mutex_);
        connection = connection_;
    }
    if (!connection || connection->isBroken()) {
        return 0;
    }
    std::size_t delivered = 0;
    for (;;) {
        if (connection->queuedPushCount() == 0) {
            pollfd entry{connection->fileDescriptor(), POLLIN, 0};
            if (::poll(&entry, 1, 0) <= 0) {
                return delivered;
            }
        }
        std::optional<nlohmann::ordered_json> message;
        try {
            // The frame is there, or its rest is on the way.
            message = connection->takePush(std::chrono::seconds(1));
        } catch (const simulator::SimmacError&) {
            silence(connection);
            return delivered;
        }
        if (!message) {
            return delivered;
        }
        const auto registration = message->find("registration");
        const auto type = message->find("message");
        const auto notification = message->find("notification");
        if (message->value("event", "") != "power" || registration == message->end() ||
            !registration->is_number_unsigned() || type == message->end() || !type->is_number_unsigned() ||
            notification == message->end() || !notification->is_number_integer()) {
            continue;
        }
        Target target;
        {
            std::lock_guard lock(mutex_);
            const auto found = targets_.find(registration->get<std::uint64_t>());
            if (found == targets_.end()) {
                continue;
            }
            target = found->second;
        }
        target.callback(target.refcon, target.notifier, type->get<natural_t>(),
                        reinterpret_cast<void*>(static_cast<std::intptr_t>(notification->get<std::int64_t>())));
        ++delivered;
    }
}

}  // namespace platform
