#include "AppKit/NSApplication.h"

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

}  // namespace

void NSApplication::setActivationPolicy(NSApplicationActivationPolicy policy)
{
    currentPolicy().store(policy);
}

NSApplicationActivationPolicy NSApplication::activationPolicy()
{
    return currentPolicy().load();
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
