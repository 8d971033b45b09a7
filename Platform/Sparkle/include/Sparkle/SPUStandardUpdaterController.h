#pragma once

#include "Sparkle/SPUUpdater.h"

#include <memory>

namespace platform {

class SPUUpdaterDelegate;
class SPUUserDriver;

// The updater of the main bundle, with its user driver. `userDriver` may be
// left out for the standard message-box driver.
class SPUStandardUpdaterController {
public:
    SPUStandardUpdaterController(bool startingUpdater, SPUUpdaterDelegate* updaterDelegate,
                                 std::unique_ptr<SPUUserDriver> userDriver = nullptr);
    ~SPUStandardUpdaterController();

    SPUUpdater& updater() { return *updater_; }
    const SPUUpdater& updater() const { return *updater_; }

    // The menu or button action: a user-initiated check.
    void checkForUpdates();

private:
    std::unique_ptr<SPUUserDriver> userDriver_;
    std::unique_ptr<SPUUpdater> updater_;
};

}  // namespace platform
