#include "IOKit/pwr_mgt/IOPMLib.h"
#include "IOObjectTable.h"
#include "NotificationPortCore.h"
#include "Simulator/SharedSimmacConnection.h"

using platform::IOObjectTable;

io_connect_t IORegisterForSystemPower(void* refcon, IONotificationPortRef* thePortRef,
                                      IOServiceInterestCallback callback, io_object_t* notifier)
{
    if (thePortRef == nullptr || callback == nullptr || notifier == nullptr) {
        return IO_OBJECT_NULL;
    }
    IONotificationPortRef port = IONotificationPortCreate(kIOMainPortDefault);
    std::uint64_t registration = 0;
    try {
        // Registered on the port's own connection: the messages come on it,
        // and the registration ends when it closes.
        registration =
            port->core->connection()->request("pm.register").at("registration").get<std::uint64_t>();
    } catch (const std::exception&) {
        IONotificationPortDestroy(port);
        return IO_OBJECT_NULL;
    }
    const io_object_t notifierObject =
        IOObjectTable::shared().insert(IOObjectTable::Notifier{{registration, port->core}});
    port->core->addTarget(registration, {callback, refcon, notifierObject});
    *thePortRef = port;
    *notifier = notifierObject;
    return IOObjectTable::shared().insert(IOObjectTable::RootDomain{{registration, port->core}});
}

IOReturn IODeregisterForSystemPower(io_object_t* notifier)
{
    if (notifier == nullptr) {
        return kIOReturnBadArgument;
    }
    const auto object = IOObjectTable::shared().find(*notifier);
    const auto* registered = object ? std::get_if<IOObjectTable::Notifier>(&*object) : nullptr;
    if (registered == nullptr) {
        return kIOReturnBadArgument;
    }
    IOObjectTable::shared().remove(*notifier);
    registered->port->removeTarget(registered->registration);
    try {
        simulator::SharedSimmacConnection::request("pm.deregister", {{"registration", registered->registration}});
    } catch (const simulator::SimmacError&) {
        // simmac is gone, and the registration with it.
    }
    return kIOReturnSuccess;
}

IOReturn IOAllowPowerChange(io_connect_t kernelPort, std::intptr_t notificationID)
{
    const auto object = IOObjectTable::shared().find(kernelPort);
    const auto* root = object ? std::get_if<IOObjectTable::RootDomain>(&*object) : nullptr;
    if (root == nullptr) {
        return kIOReturnBadArgument;
    }
    // Sent on the process's shared connection rather than the port's, so that
    // no notification is read off the port's socket by this request's wait.
    try {
        return simulator::SharedSimmacConnection::request(
                   "pm.allow", {{"registration", root->registration},
                                {"notification", static_cast<std::int64_t>(notificationID)}})
            .value("status", kIOReturnInternalError);
    } catch (const simulator::SimmacError&) {
        return kIOReturnNotResponding;
    } catch (const nlohmann::json::exception&) {
        return kIOReturnInternalError;
    }
}
