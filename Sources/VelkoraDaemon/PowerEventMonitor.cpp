#include "PowerEventMonitor.h"

#include <Foundation/RunLoop.h>
#include <IOKit/IOMessage.h>
#include <IOKit/pwr_mgt/IOPMLib.h>

#include <asio/posix/stream_descriptor.hpp>

#include <fcntl.h>

#include <cstdint>
#include <system_error>
#include <utility>

namespace velkora {

// The port's descriptor as a source of the main run loop: whenever it is
// readable, the port's waiting notifications are dispatched there.
struct PowerEventMonitor::PortWatch {
    PortWatch(asio::io_context& runLoop, int descriptor, IONotificationPortRef port)
        : descriptor(runLoop, descriptor), port(port)
    {
    }

    asio::posix::stream_descriptor descriptor;
    IONotificationPortRef port;
};

PowerEventMonitor::PowerEventMonitor(std::function<void()> willSleep, std::function<void()> didWake)
    : willSleep(std::move(willSleep)), didWake(std::move(didWake))
{
}

PowerEventMonitor::~PowerEventMonitor()
{
    stop();
}

void PowerEventMonitor::start()
{
    if (rootPort != IO_OBJECT_NULL) {
        return;
    }
    rootPort = IORegisterForSystemPower(this, &notifierPort, &PowerEventMonitor::callback, &notificationObject);
    if (rootPort == IO_OBJECT_NULL) {
        return;
    }
    if (notifierPort == nullptr) {
        return;
    }
    const int descriptor = IONotificationPortGetFileDescriptor(notifierPort);
    if (descriptor < 0) {
        return;
    }
    // The watch closes what it watches; the port keeps its own descriptor.
    const int duplicate = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0) {
        return;
    }
    watch = std::make_shared<PortWatch>(platform::RunLoop::main(), duplicate, notifierPort);
    watchPort(watch);
}

void PowerEventMonitor::stop()
{
    if (notificationObject != IO_OBJECT_NULL) {
        IODeregisterForSystemPower(&notificationObject);
        notificationObject = IO_OBJECT_NULL;
    }
    if (notifierPort != nullptr) {
        if (watch) {
            std::error_code ignored;
            watch->descriptor.close(ignored);
            watch.reset();
        }
        IONotificationPortDestroy(notifierPort);
        notifierPort = nullptr;
    }
    if (rootPort != IO_OBJECT_NULL) {
        IOServiceClose(rootPort);
        rootPort = IO_OBJECT_NULL;
    }
}

void PowerEventMonitor::callback(void* reference, io_service_t, natural_t messageType, void* messageArgument)
{
    if (reference == nullptr) {
        return;
    }
    PowerEventMonitor& monitor = *static_cast<PowerEventMonitor*>(reference);
    const auto notification = reinterpret_cast<std::intptr_t>(messageArgument);
    switch (messageType) {
    case kIOMessageCanSystemSleep:
        // Idle sleep is never vetoed.
        IOAllowPowerChange(monitor.rootPort, notification);
        break;
    case kIOMessageSystemWillSleep:
        monitor.willSleep();
        IOAllowPowerChange(monitor.rootPort, notification);
        break;
    case kIOMessageSystemHasPoweredOn:
        monitor.didWake();
        break;
    default:
        break;
    }
}

void PowerEventMonitor::watchPort(const std::shared_ptr<PortWatch>& watch)
{
    watch->descriptor.async_wait(asio::posix::descriptor_base::wait_read, [watch](std::error_code error) {
        // Closed by stop(): the port may be gone already.
        if (error || !watch->descriptor.is_open()) {
            return;
        }
        IONotificationPortDispatchPending(watch->port);
        // A callback may have stopped the monitor, which closed the watch.
        if (watch->descriptor.is_open()) {
            watchPort(watch);
        }
    });
}

}  // namespace velkora
