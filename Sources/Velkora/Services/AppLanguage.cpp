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
