#include "IOKit/IOKitLib.h"
#include "NotificationPortCore.h"

IONotificationPortRef IONotificationPortCreate(mach_port_t)
{
    return new IONotificationPort;
}

void IONotificationPortDestroy(IONotificationPortRef notify)
{
    if (notify == nullptr) {
        return;
    }
    notify->core->close();
    delete notify;
}

int IONotificationPortGetFileDescriptor(IONotificationPortRef notify)
{
    return notify != nullptr ? notify->core->fileDescriptor() : -1;
}

std::size_t IONotificationPortDispatchPending(IONotificationPortRef notify)
{
    return notify != nullptr ? notify->core->dispatchPending() : 0;
}
