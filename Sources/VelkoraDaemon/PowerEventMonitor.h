#pragma once

#include <IOKit/IOKitLib.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace velkora {

// The daemon's sleep and wake notifier. Once started it receives the system's
// power notifications on the main run loop, runs `willSleep` before a sleep and
// then allows it at once, allows idle sleep without asking, and runs `didWake`
// when the system has powered on again. The actions run on the main thread.
class PowerEventMonitor {
public:
    PowerEventMonitor(std::function<void()> willSleep, std::function<void()> didWake);
    // Stops first.
    ~PowerEventMonitor();
    PowerEventMonitor(const PowerEventMonitor&) = delete;
    PowerEventMonitor& operator=(const PowerEventMonitor&) = delete;

    // Registers for system power notifications; nothing while registered. A
    // refused registration leaves the monitor idle.
    void start();
    // Undoes the registration; nothing when not registered.
    void stop();

private:
    struct PortWatch;

    static void callback(void* reference, io_service_t service, natural_t messageType, void* messageArgument);
    static void watchPort(const std::shared_ptr<PortWatch>& watch);

    std::function<void()> willSleep;
    std::function<void()> didWake;
    IONotificationPortRef notifierPort = nullptr;
    io_object_t notificationObject = IO_OBJECT_NULL;
    io_connect_t rootPort = IO_OBJECT_NULL;
    // The port's source on the main run loop while registered.
    std::shared_ptr<PortWatch> watch;
};

}  // namespace velkora
