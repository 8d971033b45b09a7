#include "Sparkle/SPUStandardUserDriver.h"

#include <QMessageBox>

namespace platform {

void SPUStandardUserDriver::showUpdateNotFound(const QString& applicationName, const QString& currentVersion)
{
    QMessageBox::information(nullptr, QStringLiteral("You're up to date!"),
                             QStringLiteral("%1 %2 is currently the newest version available.")
                                 .arg(applicationName, currentVersion));
}

void SPUStandardUserDriver::showUpdateFound(const QString& applicationName, const SUAppcastItem& item,
                                            const QString& currentVersion)
{
    QString text = QStringLiteral("%1 %2 is now available; you have %3.")
                       .arg(applicationName, item.displayVersionString, currentVersion);
    if (item.fileURL.isValid()) {
        text += QStringLiteral("\n\nDownload it from %1").arg(item.fileURL.toString());
    }
    QMessageBox::information(nullptr, QStringLiteral("A new version of %1 is available!").arg(applicationName),
                             text);
}

void SPUStandardUserDriver::showUpdaterError(const QString& message)
{
    QMessageBox::warning(nullptr, QStringLiteral("Update Error!"), message);
}

}  // namespace platform
