#include "Sparkle/SPUUpdater.h"

#include "Sparkle/SPUUpdaterDelegate.h"
#include "Sparkle/SPUUserDriver.h"
#include "Sparkle/SUStandardVersionComparator.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace platform {

namespace {

const QString kAutomaticChecksKey = QStringLiteral("SUEnableAutomaticChecks");
const QString kFeedURLKey = QStringLiteral("SUFeedURL");
constexpr int kTransferTimeoutMilliseconds = 30'000;

}  // namespace

SPUUpdater::SPUUpdater(Bundle hostBundle, UserDefaults defaults, SPUUpdaterDelegate* delegate,
                       SPUUserDriver& userDriver, QObject* parent)
    : QObject(parent), hostBundle_(std::move(hostBundle)), defaults_(std::move(defaults)), delegate_(delegate),
      userDriver_(userDriver), network_(new QNetworkAccessManager(this))
{
}

SPUUpdater::~SPUUpdater() = default;

void SPUUpdater::startUpdater()
{
    started_ = true;
}

bool SPUUpdater::automaticallyChecksForUpdates() const
{
    const QVariant stored = defaults_.object(kAutomaticChecksKey);
    if (stored.isValid()) {
        return defaults_.boolForKey(kAutomaticChecksKey);
    }
    return hostBundle_.infoBool(kAutomaticChecksKey.toStdString()).value_or(false);
}

void SPUUpdater::setAutomaticallyChecksForUpdates(bool enabled)
{
    const bool before = automaticallyChecksForUpdates();
    defaults_.set(kAutomaticChecksKey, enabled);
    if (enabled != before) {
        emit automaticallyChecksForUpdatesChanged(enabled);
    }
}

std::optional<QString> SPUUpdater::clearFeedURLFromUserDefaults()
{
    const QVariant stored = defaults_.object(kFeedURLKey);
    if (!stored.isValid()) {
        return std::nullopt;
    }
    defaults_.removeObject(kFeedURLKey);
    return stored.toString();
}

QString SPUUpdater::feedURLString() const
{
    if (delegate_ != nullptr) {
        if (QString fromDelegate = delegate_->feedURLStringForUpdater(*this); !fromDelegate.isEmpty()) {
            return fromDelegate;
        }
    }
    if (const QVariant stored = defaults_.object(kFeedURLKey); stored.isValid() && !stored.toString().isEmpty()) {
        return stored.toString();
    }
    return QString::fromStdString(hostBundle_.infoString(kFeedURLKey.toStdString()).value_or(""));
}

void SPUUpdater::checkForUpdates()
{
    if (reply_ != nullptr) {
        return;
    }
    if (!started_) {
        fail(QStringLiteral("The updater has not been started."));
        return;
    }
    if (!hostBundle_.infoString("CFBundleVersion")) {
        fail(QStringLiteral("The application's version is unknown, so it cannot be compared with the update feed."));
        return;
    }
    const QString address = feedURLString();
    const QUrl url(address, QUrl::StrictMode);
    if (address.isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        fail(address.isEmpty() ? QStringLiteral("No update feed address is set.")
                               : QStringLiteral("The update feed address \"%1\" is not valid.").arg(address));
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMilliseconds);
    reply_ = network_->get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishCheck(reply); });
}

void SPUUpdater::finishCheck(QNetworkReply* reply)
{
    reply->deleteLater();
    reply_ = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        fail(QStringLiteral("The update feed could not be loaded: %1").arg(reply->errorString()));
        return;
    }
    SUAppcast appcast;
    try {
        appcast = SUAppcast::parse(reply->readAll());
    } catch (const SUAppcastError& error) {
        fail(QStringLiteral("The update feed could not be read: %1").arg(QString::fromStdString(error.what())));
        return;
    }
    const QString currentVersion = QString::fromStdString(hostBundle_.infoString("CFBundleVersion").value_or(""));
    const QString displayVersion =
        QString::fromStdString(hostBundle_.infoString("CFBundleShortVersionString").value_or(""));
    const QString shownVersion = displayVersion.isEmpty() ? currentVersion : displayVersion;
    const QString name = QString::fromStdString(
        hostBundle_.infoString("CFBundleName").value_or(hostBundle_.bundlePath().stem().string()));
    const SUAppcastItem* newest = appcast.newestItem();
    if (newest != nullptr && SUStandardVersionComparator::compareVersions(newest->versionString, currentVersion) > 0) {
        userDriver_.showUpdateFound(name, *newest, shownVersion);
    } else {
        userDriver_.showUpdateNotFound(name, shownVersion);
    }
    emit checkFinished();
}

void SPUUpdater::fail(const QString& message)
{
    userDriver_.showUpdaterError(message);
    emit checkFinished();
}

}  // namespace platform
