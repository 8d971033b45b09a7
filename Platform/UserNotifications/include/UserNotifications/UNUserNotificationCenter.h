#pragma once

#include <QString>

namespace platform {

// What an application may do with its notifications.
enum UNAuthorizationOptions : unsigned {
    UNAuthorizationOptionBadge = 1U << 0,
    UNAuthorizationOptionSound = 1U << 1,
    UNAuthorizationOptionAlert = 1U << 2,
};

// The notification permissions of the applications of the simulated user.
// There is no permission dialog here: the first request of an application
// is granted, and the answer, with the options asked for, is recorded in the
// user defaults domain "UserNotifications" under the simulated home (keys
// "<bundle identifier>.authorized" and "<bundle identifier>.options"); a later
// request answers from the record. Main thread.
class UNUserNotificationCenter {
public:
    // The centre of the running application (its main bundle's identifier,
    // or the executable's name outside a bundle).
    static UNUserNotificationCenter& current();

    // Whether the application may notify with `options`.
    bool requestAuthorization(unsigned options);

    // The recorded answer; false when the application never asked.
    bool isAuthorized() const;
    // The options of the recorded request; 0 when the application never asked.
    unsigned authorizedOptions() const;

private:
    explicit UNUserNotificationCenter(QString application);

    QString application_;
};

}  // namespace platform
