#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <variant>

#include "IOKit/IOTypes.h"
#include "NotificationPortCore.h"
#include "Simulator/SimmacConnection.h"

namespace platform {

// The objects behind the IOKit handles of this process: matched services (by
// class), open user-client connections to simmac, and the two objects of a
// system power registration (the root power domain's connection, which
// acknowledges, and the notifier). Handles are never reused, so a stale handle
// finds nothing instead of someone else's object.
class IOObjectTable {
public:
    struct Service {
        std::string className;
    };
    using Connection = std::shared_ptr<simulator::SimmacConnection>;
    struct PowerRegistration {
        std::uint64_t registration = 0;
        std::shared_ptr<NotificationPortCore> port;
    };
    struct RootDomain : PowerRegistration {};
    struct Notifier : PowerRegistration {};
    using Object = std::variant<Service, Connection, RootDomain, Notifier>;

    static IOObjectTable& shared();

    io_object_t insert(Object object);
    // Shared, so that the caller may use the object while another thread
    // releases the handle; null when the handle names nothing.
    std::shared_ptr<const Object> find(io_object_t handle) const;
    // The object that was removed; null when there was none.
    std::shared_ptr<const Object> remove(io_object_t handle);

private:
    mutable std::mutex mutex_;
    std::unordered_map<io_object_t, std::shared_ptr<const Object>> objects_;
    io_object_t next_ = 0x1000;
};

}  // namespace platform
