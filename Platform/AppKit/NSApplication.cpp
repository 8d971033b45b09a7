#include "AppKit/NSApplication.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<NSApplicationActivationPolicy>& currentPolicy()
{
    static std::atomic<NSApplicationActivationPolicy> policy{NSApplicationActivationPolicy::regular};
    return policy;
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

}  // namespace platform
