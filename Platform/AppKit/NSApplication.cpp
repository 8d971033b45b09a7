#include "AppKit/NSApplication.h"

#include "WorkspaceAnnouncement.h"

#include "Foundation/Bundle.h"
#include "Log/Logger.h"

#include <QCoreApplication>
#include <QPointer>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

std::atomic<NSApplicationActivationPolicy>& currentPolicy()
{
    static std::atomic<NSApplicationActivationPolicy> policy{NSApplicationActivationPolicy::regular};
    return policy;
}

struct Termination {
    std::mutex mutex;
    std::function<void()> handler;
};

Termination& termination()
{
    static Termination shared;
    return shared;
}

// Set and run on the main thread only.
std::function<void()>& reopenHandler()
{
    static std::function<void()> handler;
    return handler;
}

QPointer<WorkspaceAnnouncement>& announcement()
{
    static QPointer<WorkspaceAnnouncement> shared;
    return shared;
}

}  // namespace

bool NSApplication::finishLaunching()
{
    static const Logger logger("AppKit", "Application");
    const Bundle& bundle = Bundle::main();
    const std::optional<std::string> identifier = bundle.bundleIdentifier();
    if (!identifier) {
        logger.error("Not announced to the workspace: the main bundle %s has no CFBundleIdentifier",
                     bundle.bundlePath().string());
        return false;
    }
    const std::string name = bundle.infoString("CFBundleName").value_or(bundle.bundlePath().stem().string());
    try {
        delete announcement().data();
        announcement() = new WorkspaceAnnouncement(*identifier, name, QCoreApplication::instance());
    } catch (const std::exception& error) {
        logger.error("Not announced to the workspace: %s", std::string(error.what()));
        return false;
    }
    return true;
}

void NSApplication::activate()
{
    if (announcement()) {
        announcement()->activate();
    }
}

void NSApplication::setActivationPolicy(NSApplicationActivationPolicy policy)
{
    currentPolicy().store(policy);
}

NSApplicationActivationPolicy NSApplication::activationPolicy()
{
    return currentPolicy().load();
}

void NSApplication::setReopenHandler(std::function<void()> handler)
{
    reopenHandler() = std::move(handler);
}

void NSApplication::reopen()
{
    if (reopenHandler()) {
        reopenHandler()();
    }
    activate();
}

void NSApplication::setTerminationHandler(std::function<void()> handler)
{
    std::lock_guard lock(termination().mutex);
    termination().handler = std::move(handler);
}

void NSApplication::terminate()
{
    std::function<void()> handler;
    {
        std::lock_guard lock(termination().mutex);
        handler = termination().handler;
    }
    if (!handler) {
        std::exit(EXIT_SUCCESS);
    }
    handler();
}

}  // namespace platform
