#include "UserDefaults/UserDefaults.h"

#include "Foundation/Bundle.h"
#include "Foundation/SimulatedRoot.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace platform {

namespace {

QVariant toVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return QVariant(flag != 0);
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return QVariant(static_cast<qint64>(number));
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return QVariant(number);
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        QVariant value(QString::fromUtf8(text != nullptr ? text : ""));
        std::free(text);
        return value;
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QVariant value(QByteArray(bytes, static_cast<qsizetype>(length)));
        std::free(bytes);
        return value;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // Property-list dates count from 2001-01-01 UTC.
        const qint64 msecs = 978307200000LL + qint64(seconds) * 1000 + microseconds / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i) {
            list.append(toVariant(plist_array_get_item(node, i)));
        }
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        while (true) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (key == nullptr) {
                break;
            }
            map.insert(QString::fromUtf8(key), toVariant(value));
            std::free(key);
        }
        std::free(iterator);
        return map;
    }
    default:
        return QVariant();
    }
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
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return false;
    }
    const QVariantMap entries = toVariant(root).toMap();
    plist_free(root);
    for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry) {
        map.insert(entry.key(), entry.value());
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
