#include "UserNotifications/UNUserNotificationCenter.h"

#include "Foundation/Bundle.h"
#include "UserDefaults/UserDefaults.h"

#include <QCoreApplication>

namespace platform {

namespace {

UserDefaults records()
{
    return UserDefaults(QStringLiteral("UserNotifications"));
}

}  // namespace

UNUserNotificationCenter& UNUserNotificationCenter::current()
{
    static UNUserNotificationCenter center([] {
        if (const auto identifier = Bundle::main().bundleIdentifier()) {
            return QString::fromStdString(*identifier);
        }
        return QCoreApplication::applicationName();
    }());
    return center;
}

UNUserNotificationCenter::UNUserNotificationCenter(QString application) : application_(std::move(application)) {}

bool UNUserNotificationCenter::requestAuthorization(unsigned options)
{
    UserDefaults defaults = records();
    const QString authorized = application_ + QStringLiteral(".authorized");
    if (defaults.object(authorized).isValid()) {
        return defaults.boolForKey(authorized);
    }
    defaults.set(application_ + QStringLiteral(".options"), static_cast<qint64>(options));
    defaults.set(authorized, true);
    return true;
}

bool UNUserNotificationCenter::isAuthorized() const
{
    return records().boolForKey(application_ + QStringLiteral(".authorized"));
}

unsigned UNUserNotificationCenter::authorizedOptions() const
{
    return static_cast<unsigned>(records().object(application_ + QStringLiteral(".options")).toLongLong());
}

}  // namespace platform
