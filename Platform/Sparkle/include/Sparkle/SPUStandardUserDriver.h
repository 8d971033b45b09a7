#pragma once

#include "Sparkle/SPUUserDriver.h"

namespace platform {

// Message boxes of the Qt Widgets toolkit; needs a QApplication.
class SPUStandardUserDriver final : public SPUUserDriver {
public:
    void showUpdateNotFound(const QString& applicationName, const QString& currentVersion) override;
    void showUpdateFound(const QString& applicationName, const SUAppcastItem& item,
                         const QString& currentVersion) override;
    void showUpdaterError(const QString& message) override;
};

}  // namespace platform
