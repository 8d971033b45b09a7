#include "NotificationPortCore.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <chrono>

namespace platform {

NotificationPortCore::~NotificationPortCore()
{
    close();
}

std::shared_ptr<simulator::SimmacConnection> NotificationPortCore::connection()
{
    std::lock_guard lock(mutex_);
    if (closed_) {
        throw simulator::SimmacError("the notification port was destroyed");
    }
    if (!connection_) {
        auto connection = std::make_shared<simulator::SimmacConnection>();
        const int readiness = ::epoll_create1(EPOLL_CLOEXEC);
        epoll_event event{};
        event.events = EPOLLIN;
        if (readiness < 0 || ::epoll_ctl(readiness, EPOLL_CTL_ADD, connection->fileDescriptor(), &event) != 0) {
            if (readiness >= 0) {
                ::close(readiness);
            }
            throw simulator::SimmacError("cannot watch the connection to simmac");
        }
        connection_ = std::move(connection);
        readiness_ = readiness;
    }
    return connection_;
}

int NotificationPortCore::fileDescriptor() const
{
    std::lock_guard lock(mutex_);
    return readiness_;
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
    if (readiness_ >= 0) {
        ::close(readiness_);
        readiness_ = -1;
    }
    connection_.reset();
}

void NotificationPortCore::silence(const std::shared_ptr<simulator::SimmacConnection>& connection)
{
    std::lock_guard lock(mutex_);
    if (readiness_ >= 0) {
        ::epoll_ctl(readiness_, EPOLL_CTL_DEL, connection->fileDescriptor(), nullptr);
    }
}

std::size_t NotificationPortCore::dispatchPending()
{
    std::shared_ptr<simulator::SimmacConnection> connection;
    {
        std::lock_guard lock(mutex_);
        connection = connection_;
    }
    if (!connection) {
        return 0;
    }
    if (connection->isBroken()) {
        silence(connection);
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
