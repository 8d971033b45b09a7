#include "UserDefaults/UserDefaults.h"

#include "Foundation/Bundle.h"
#include "Foundation/NSError.h"
#include "Foundation/PropertyListSerialization.h"
#include "Foundation/SimulatedRoot.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <plist/plist.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <variant>

namespace platform {

namespace {

QVariant toVariant(const PropertyList& node)
{
    if (const auto* flag = node.get<bool>()) {
        return QVariant(*flag);
    }
    if (const auto* number = node.get<std::int64_t>()) {
        return QVariant(static_cast<qint64>(*number));
    }
    if (const auto* number = node.get<double>()) {
        return QVariant(*number);
    }
    if (const auto* text = node.get<std::string>()) {
        return QVariant(QString::fromStdString(*text));
    }
    if (const auto* bytes = node.get<PropertyList::Data>()) {
        return QVariant(
            QByteArray(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size())));
    }
    if (const auto* date = node.get<PropertyList::Date>()) {
        const auto msecs = std::chrono::duration_cast<std::chrono::milliseconds>(date->time_since_epoch());
        return QVariant(QDateTime::fromMSecsSinceEpoch(msecs.count(), Qt::UTC));
    }
    if (const auto* items = node.get<PropertyList::Array>()) {
        QVariantList list;
        list.reserve(static_cast<qsizetype>(items->size()));
        for (const PropertyList& item : *items) {
            list.append(toVariant(item));
        }
        return list;
    }
    QVariantMap map;
    for (const auto& [key, value] : std::get<PropertyList::Dictionary>(node.value)) {
        map.insert(QString::fromStdString(key), toVariant(value));
    }
    return map;
}

plist_t toPlist(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 msecs = value.toDateTime().toMSecsSinceEpoch() - 978307200000LL;
        return plist_new_date(static_cast<int32_t>(msecs / 1000), static_cast<int32_t>((msecs % 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            plist_array_append_item(array, toPlist(item));
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
            plist_dict_set_item(dict, entry.key().toUtf8().constData(), toPlist(entry.value()));
        }
        return dict;
    }
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

bool readPlist(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.isEmpty()) {
        return true;
    }
    PropertyList root;
    try {
        root = PropertyListSerialization::propertyList(std::span(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
    } catch (const NSError&) {
        return false;
    }
    const auto* entries = root.get<PropertyList::Dictionary>();
    if (entries == nullptr) {
        return false;
    }
    for (const auto& [key, value] : *entries) {
        map.insert(QString::fromStdString(key), toVariant(value));
    }
    return true;
}

bool writePlist(QIODevice& device, const QSettings::SettingsMap& map)
{
    plist_t root = plist_new_dict();
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        plist_dict_set_item(root, entry.key().toUtf8().constData(), toPlist(entry.value()));
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    plist_free(root);
    const bool written = xml != nullptr && device.write(xml, length) == qint64(length);
    plist_to_xml_free(xml);
    return written;
}

QSettings::Format plistFormat()
{
    static std::once_flag once;
    static QSettings::Format format = QSettings::InvalidFormat;
    std::call_once(once, [] { format = QSettings::registerFormat("plist", readPlist, writePlist); });
    return format;
}

}  // namespace

UserDefaults UserDefaults::standard()
{
    const Bundle& bundle = Bundle::main();
    if (const std::optional<std::string> identifier = bundle.bundleIdentifier()) {
        return UserDefaults(QString::fromStdString(*identifier));
    }
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::canonical("/proc/self/exe", error);
    return UserDefaults(QString::fromStdString(executable.filename().string()));
}

UserDefaults::UserDefaults(const QString& domain)
{
    const std::filesystem::path folder = SimulatedRoot::homeDirectory() / "Library" / "Preferences";
    const QString path = QString::fromStdString(folder.string()) + QLatin1Char('/') + domain + QStringLiteral(".plist");
    settings_ = std::make_unique<QSettings>(path, plistFormat());
}

UserDefaults::~UserDefaults() = default;
UserDefaults::UserDefaults(UserDefaults&&) noexcept = default;
UserDefaults& UserDefaults::operator=(UserDefaults&&) noexcept = default;

QVariant UserDefaults::object(const QString& key) const
{
    return settings_->value(key);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = object(key);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toLongLong() != 0;
    case QMetaType::Double:
        return value.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.compare(QStringLiteral("yes"), Qt::CaseInsensitive) == 0 ||
            text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        bool isNumber = false;
        const qlonglong number = text.toLongLong(&isNumber);
        return isNumber && number != 0;
    }
    default:
        return false;
    }
}

void UserDefaults::set(const QString& key, const QVariant& value)
{
    settings_->setValue(key, value);
    settings_->sync();
}

void UserDefaults::removeObject(const QString& key)
{
    settings_->remove(key);
    settings_->sync();
}

QString UserDefaults::filePath() const
{
    return settings_->fileName();
}

}  // namespace platform
