#pragma once

#include "Sparkle/SUAppcast.h"

#include <QString>

namespace platform {

// What the user sees of a user-initiated check: its outcome in a small
// dialog. The standard driver shows message boxes; tests put in their own.
class SPUUserDriver {
public:
    virtual ~SPUUserDriver() = default;

    // No newer release: `currentVersion` is the running display version.
    virtual void showUpdateNotFound(const QString& applicationName, const QString& currentVersion) = 0;
    virtual void showUpdateFound(const QString& applicationName, const SUAppcastItem& item,
                                 const QString& currentVersion) = 0;
    // The check failed; `message` says why.
    virtual void showUpdaterError(const QString& message) = 0;
};

}  // namespace platform
