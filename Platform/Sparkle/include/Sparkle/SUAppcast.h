#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <stdexcept>

namespace platform {

class SUAppcastError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One release of an appcast: an RSS <item> whose <enclosure> carries the
// release's build version (attribute "version", in the appcast namespace) and
// optionally its display version ("shortVersionString").
struct SUAppcastItem {
    QString title;
    QString versionString;
    QString displayVersionString;  // the short version, or the build version when none is given
    QUrl fileURL;
};

class SUAppcast {
public:
    // Throws SUAppcastError when the text is not an RSS document. Items
    // without a versioned enclosure are left out.
    static SUAppcast parse(const QByteArray& xml);

    const QList<SUAppcastItem>& items() const { return items_; }

    // The item with the highest version, or nullptr for an empty appcast.
    const SUAppcastItem* newestItem() const;

private:
    QList<SUAppcastItem> items_;
};

}  // namespace platform
