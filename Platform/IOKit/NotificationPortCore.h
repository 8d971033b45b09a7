#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "IOKit/IOKitLib.h"
#include "Simulator/SimmacConnection.h"

namespace platform {

// What stands behind an IONotificationPortRef: the port's own connection to
// simmac, on which simmac pushes the notifications of the registrations made
// through the port, and the callback of each registration. It outlives the
// port while a registration's handles still refer to it; once the port is
// destroyed its connection is closed and nothing more is delivered.
class NotificationPortCore {
public:
    struct Target {
        IOServiceInterestCallback callback = nullptr;
        void* refcon = nullptr;
        io_object_t notifier = 0;
    };

    ~NotificationPortCore();

    // The port's connection, opened on first use; throws SimmacError.
    std::shared_ptr<simulator::SimmacConnection> connection();
    // Readable while notifications wait; -1 while no registration has used
    // the port, or after close(). It is an epoll instance watching the
    // connection, so that the port alone decides when it is readable: once
    // simmac is gone, it (and every duplicate of it) stays quiet instead of
    // reporting the closed socket for ever.
    int fileDescriptor() const;

    void addTarget(std::uint64_t registration, Target target);
    void removeTarget(std::uint64_t registration);
    std::size_t dispatchPending();
    void close();

private:
    // After simmac went away the descriptor never becomes readable again, so
    // that a run loop watching it does not spin on the closed socket.
    void silence(const std::shared_ptr<simulator::SimmacConnection>& connection);

    mutable std::mutex mutex_;
    std::shared_ptr<simulator::SimmacConnection> connection_;
    int readiness_ = -1;
    std::map<std::uint64_t, Target> targets_;
    bool closed_ = false;
};

}  // namespace platform

// The port handed to callers.
struct IONotificationPort {
    std::shared_ptr<platform::NotificationPortCore> core = std::make_shared<platform::NotificationPortCore>();
};
