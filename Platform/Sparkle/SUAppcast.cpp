#include "Sparkle/SUAppcast.h"

#include "Sparkle/SUStandardVersionComparator.h"

#include <QXmlStreamReader>

namespace platform {

namespace {

QString attribute(const QXmlStreamAttributes& attributes, QStringView localName)
{
    for (const QXmlStreamAttribute& candidate : attributes) {
        if (candidate.name() == localName && !candidate.prefix().isEmpty()) {
            return candidate.value().toString();
        }
    }
    return QString();
}

}  // namespace

SUAppcast SUAppcast::parse(const QByteArray& xml)
{
    SUAppcast appcast;
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != u"rss") {
        if (reader.hasError()) {
            throw SUAppcastError("not an appcast: " + reader.errorString().toStdString());
        }
        throw SUAppcastError("not an appcast: the document is not an RSS feed");
    }
    SUAppcastItem item;
    bool inItem = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.name() == u"item") {
                item = SUAppcastItem();
                inItem = true;
            } else if (inItem && reader.name() == u"title" && reader.prefix().isEmpty()) {
                item.title = reader.readElementText().trimmed();
            } else if (inItem && reader.name() == u"enclosure") {
                const QXmlStreamAttributes attributes = reader.attributes();
                item.versionString = attribute(attributes, u"version");
                item.displayVersionString = attribute(attributes, u"shortVersionString");
                item.fileURL = QUrl(attributes.value(QStringLiteral("url")).toString());
            }
        } else if (reader.isEndElement() && reader.name() == u"item") {
            inItem = false;
            if (!item.versionString.isEmpty()) {
                if (item.displayVersionString.isEmpty()) {
                    item.displayVersionString = item.versionString;
                }
                appcast.items_.append(item);
            }
        }
    }
    if (reader.hasError()) {
        throw SUAppcastError("not an appcast: " + reader.errorString().toStdString() + " at line " +
                             std::to_string(reader.lineNumber()));
    }
    return appcast;
}

const SUAppcastItem* SUAppcast::newestItem() const
{
    const SUAppcastItem* newest = nullptr;
    for (const SUAppcastItem& item : items_) {
        if (newest == nullptr ||
            SUStandardVersionComparator::compareVersions(item.versionString, newest->versionString) > 0) {
            newest = &item;
        }
    }
    return newest;
}

}  // namespace platform
