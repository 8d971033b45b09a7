#pragma once

#include "Foundation/Bundle.h"
#include "UserDefaults/UserDefaults.h"

#include <QObject>
#include <QString>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

class SPUUpdaterDelegate;
class SPUUserDriver;

// Checks the host application's appcast for a newer release. Settings live in
// the host's standard user defaults: "SUEnableAutomaticChecks" (Boolean) and
// "SUFeedURL" (text). Used on the thread that created it (the main thread).
class SPUUpdater : public QObject {
    Q_OBJECT
public:
    // `hostBundle` gives the running version (CFBundleVersion, shown as
    // CFBundleShortVersionString) and name (CFBundleName).
    SPUUpdater(Bundle hostBundle, UserDefaults defaults, SPUUpdaterDelegate* delegate, SPUUserDriver& userDriver,
               QObject* parent = nullptr);
    ~SPUUpdater() override;

    void startUpdater();
    bool isStarted() const { return started_; }

    // Stored in the user defaults; when never set, the bundle's Info.plist
    // value of the same key, else false. Every change through the updater,
    // whoever makes it, is announced by automaticallyChecksForUpdatesChanged.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);

    // Removes a feed address stored in the user defaults and returns it.
    std::optional<QString> clearFeedURLFromUserDefaults();

    // The address the next check reads: the delegate's, else the stored one,
    // else the bundle's "SUFeedURL".
    QString feedURLString() const;

    // A check the user asked for: reads the feed and shows the outcome through
    // the user driver. Ignored while a check is still running.
    void checkForUpdates();
    bool sessionInProgress() const { return reply_ != nullptr; }

signals:
    void checkFinished();
    void automaticallyChecksForUpdatesChanged(bool enabled);

private:
    void finishCheck(QNetworkReply* reply);
    void fail(const QString& message);

    Bundle hostBundle_;
    UserDefaults defaults_;
    SPUUpdaterDelegate* delegate_;
    SPUUserDriver& userDriver_;
    QNetworkAccessManager* network_;
    QNetworkReply* reply_ = nullptr;
    bool started_ = false;
};

}  // namespace platform
