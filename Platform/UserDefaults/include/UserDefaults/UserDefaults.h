#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace platform {

// The user-defaults store of one domain: a property list at
// <simulated home>/Library/Preferences/<domain>.plist, read and written through
// QSettings so that every object of the same domain in one process shares one
// cache. Values keep their property-list types: a Boolean stays a bool, an
// integer a qint64, a real a double, a text a QString. Every change is written
// to disk at once; write errors are not reported, as on the platform.
class UserDefaults {
public:
    // The domain of the main bundle's identifier, or of the executable's
    // file name for a program that runs outside a bundle.
    static UserDefaults standard();

    explicit UserDefaults(const QString& domain);
    ~UserDefaults();
    UserDefaults(UserDefaults&&) noexcept;
    UserDefaults& operator=(UserDefaults&&) noexcept;

    // The stored object, or an invalid QVariant when the key is absent.
    QVariant object(const QString& key) const;

    // The Boolean reading of a key: a Boolean as stored, a number when it is
    // not zero, a text when it reads "yes", "true" (in any case) or a
    // non-zero integer; false for an absent key and anything else.
    bool boolForKey(const QString& key) const;

    void set(const QString& key, const QVariant& value);
    void removeObject(const QString& key);

    QString filePath() const;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace platform
