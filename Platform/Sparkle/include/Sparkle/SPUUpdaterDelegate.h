#pragma once

#include <QString>

namespace platform {

class SPUUpdater;

class SPUUpdaterDelegate {
public:
    virtual ~SPUUpdaterDelegate() = default;

    // The feed address to use for this check; an empty text leaves the choice
    // to the updater (user defaults "SUFeedURL", then the bundle's Info.plist).
    virtual QString feedURLStringForUpdater(const SPUUpdater& updater) = 0;
};

}  // namespace platform
