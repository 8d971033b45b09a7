#pragma once

#include "Sparkle/SPUStandardUpdaterController.h"
#include "Sparkle/SPUUpdaterDelegate.h"
#include "Sparkle/SPUUserDriver.h"

#include <QObject>

#include <memory>

namespace velkora {

// The application's software updates: owns the standard updater controller,
// starts it, names the feed and offers the check action and the
// automatic-check switch. Main thread only.
class UpdateCenter : public QObject, public platform::SPUUpdaterDelegate {
    Q_OBJECT
public:
    // `userDriver` replaces the standard message boxes (tests run headless).
    explicit UpdateCenter(std::unique_ptr<platform::SPUUserDriver> userDriver = nullptr, QObject* parent = nullptr);
    ~UpdateCenter() override;

    platform::SPUUpdater& updater();

    // Kept by the updater in the user defaults; a change made through the
    // updater, here or anywhere else, is told by
    // automaticallyChecksForUpdatesChanged.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

    // A check the user asked for; its outcome appears in the updater's dialog.
    void checkForUpdates();

    // Always the feed of the build's update host:
    // "https://<host>/tallowmere/downloads/appcast.xml".
    QString feedURLStringForUpdater(const platform::SPUUpdater& updater) override;

signals:
    void automaticallyChecksForUpdatesChanged(bool enabled);

private:
    std::unique_ptr<platform::SPUStandardUpdaterController> controller_;
};

}  // namespace velkora
