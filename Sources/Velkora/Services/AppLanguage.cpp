#include "Services/AppLanguage.h"

#include "Foundation/Bundle.h"

namespace velkora {

namespace {

struct Choice {
    bool isChinese;
    QLocale locale;
    QString localizationName;
};

const Choice& choice()
{
    static const Choice made = [] {
        const bool chinese = AppLanguage::isChinese(QLocale::system().uiLanguages());
        const QString name = chinese ? QStringLiteral("zh-Hans") : QStringLiteral("en");
        return Choice{chinese, QLocale(name), name};
    }();
    return made;
}

}  // namespace

bool AppLanguage::isChinese(const QStringList& preferredLanguages)
{
    if (preferredLanguages.isEmpty()) {
        return false;
    }
    return QLocale(preferredLanguages.first()).language() == QLocale::Chinese;
}

bool AppLanguage::isChinese()
{
    return choice().isChinese;
}

const QLocale& AppLanguage::locale()
{
    return choice().locale;
}

QString AppLanguage::localizationName()
{
    return choice().localizationName;
}

QString AppLanguage::text(const QString& english, const QString& chinese)
{
    return isChinese() ? chinese : english;
}

QString L(const QString& english, const QString& chinese)
{
    return AppLanguage::text(english, chinese);
}

QString localized(const QString& key)
{
    return QString::fromStdString(
        platform::Bundle::main().localizedString(key.toStdString(), AppLanguage::localizationName().toStdString()));
}

QString localized(const QString& key, const QVariantList& arguments)
{
    static const QString placeholders[] = {QStringLiteral("%@"), QStringLiteral("%lld"), QStringLiteral("%ld"),
                                           QStringLiteral("%d")};
    const QString format = localized(key);
    QString text;
    text.reserve(format.size());
    qsizetype next = 0;
    qsizetype position = 0;
    while (position < format.size()) {
        if (format[position] != u'%') {
            text += format[position++];
            continue;
        }
        if (format.mid(position, 2) == QStringLiteral("%%")) {
            text += u'%';
            position += 2;
            continue;
        }
        const QString* placeholder = nullptr;
        for (const QString& candidate : placeholders) {
            if (format.mid(position, candidate.size()) == candidate) {
                placeholder = &candidate;
                break;
            }
        }
        if (placeholder == nullptr || next >= arguments.size()) {
            const qsizetype length = placeholder == nullptr ? 1 : placeholder->size();
            text += format.mid(position, length);
            position += length;
            continue;
        }
        const QVariant& argument = arguments[next++];
        text += *placeholder == QStringLiteral("%@") ? argument.toString() : QString::number(argument.toLongLong());
        position += placeholder->size();
    }
    return text;
}

QString appLocalizedName(ChargingState state)
{
    const std::string_view name = localizedName(state);
    return localized(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

QString appLocalizedName(CalibrationPhase phase)
{
    const std::string_view name = localizedName(phase);
    return localized(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace velkora
