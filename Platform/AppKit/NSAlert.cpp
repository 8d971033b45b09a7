#include "AppKit/NSAlert.h"

#include "Log/Logger.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

NSAlert NSAlert::alertWithError(const std::exception& error)
{
    return NSAlert(error.what());
}

void NSAlert::runModal() const
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QMessageBox::warning(nullptr, QString(), QString::fromStdString(messageText_));
        return;
    }
    static const Logger logger("com.velkora.platform", "NSAlert");
    logger.error("Alert: %{public}s", messageText_);
}

}  // namespace platform
