#include "XPC/NSXPCConnection.h"

#include "XPC/NSXPCListener.h"
#include "XPCConnectionCore.h"

namespace platform {

namespace {

std::string checkedServiceName(std::string machServiceName)
{
    NSXPCListener::socketPathForMachService(machServiceName);
    return machServiceName;
}

}  // namespace

NSXPCConnection::NSXPCConnection(std::string machServiceName, NSXPCConnectionOptions)
    : core_(XPCConnectionCore::makeClient(checkedServiceName(std::move(machServiceName))))
{
}

NSXPCConnection::NSXPCConnection(std::shared_ptr<XPCConnectionCore> core) : core_(std::move(core)) {}

NSXPCConnection::~NSXPCConnection()
{
    core_->shutdown();
}

void NSXPCConnection::setRemoteObjectInterface(NSXPCInterface interface)
{
    core_->setRemoteObjectInterface(std::move(interface));
}

void NSXPCConnection::setExportedInterface(NSXPCInterface interface)
{
    core_->setExportedInterface(std::move(interface));
}

void NSXPCConnection::setExportedObject(std::shared_ptr<NSXPCExportedObject> object)
{
    core_->setExportedObject(std::move(object));
}

void NSXPCConnection::setInterruptionHandler(std::function<void()> handler)
{
    core_->setInterruptionHandler(std::move(handler));
}

void NSXPCConnection::setInvalidationHandler(std::function<void()> handler)
{
    core_->setInvalidationHandler(std::move(handler));
}

NSXPCRemoteObjectProxy NSXPCConnection::remoteObjectProxyWithErrorHandler(NSXPCErrorHandler handler)
{
    return NSXPCRemoteObjectProxy(shared_from_this(), std::move(handler));
}

void NSXPCConnection::resume()
{
    core_->resume();
}

void NSXPCConnection::invalidate()
{
    core_->invalidate();
}

pid_t NSXPCConnection::processIdentifier() const
{
    return core_->peer().processIdentifier;
}

uid_t NSXPCConnection::effectiveUserIdentifier() const
{
    return core_->peer().effectiveUserIdentifier;
}

}  // namespace platform
