#pragma once

#include "VelkoraCore/CalibrationPhase.h"
#include "VelkoraCore/ChargingState.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace velkora {

// The application speaks English and Simplified Chinese. The choice follows
// the first of the user's preferred languages (on Linux: LANGUAGE, then
// LC_ALL, LC_MESSAGES and LANG) and is made once per process; a change takes
// effect at the next start.
class AppLanguage {
public:
    AppLanguage() = delete;

    // True when the first preferred language is any Chinese (zh, any script
    // or region).
    static bool isChinese();
    // "zh-Hans" when isChinese(), else "en".
    static const QLocale& locale();
    // The name of the locale's string-table folder: "zh-Hans" or "en".
    static QString localizationName();

    // The rule behind isChinese(), for a given list of preferred languages.
    static bool isChinese(const QStringList& preferredLanguages);

    // The Chinese form when isChinese(), else the English form.
    static QString text(const QString& english, const QString& chinese);
};

// AppLanguage::text.
QString L(const QString& english, const QString& chinese);

// The text of `key` (the Chinese source text) in the main bundle's string
// table for AppLanguage::locale(); the key itself when the table has no entry.
QString localized(const QString& key);

// localized(key) with its placeholders filled in order: each "%@", "%d",
// "%ld" or "%lld" takes the next argument (a number for the integer ones is
// written in plain decimal), "%%" becomes "%". A placeholder left without an
// argument stays as it is, and so does a lone "%" that starts no placeholder.
QString localized(const QString& key, const QVariantList& arguments);

template <typename First, typename... Rest>
QString localized(const QString& key, const First& first, const Rest&... rest)
{
    return localized(key, QVariantList{QVariant::fromValue(first), QVariant::fromValue(rest)...});
}

// The core's fixed Chinese name of a state or phase, looked up with localized().
QString appLocalizedName(ChargingState state);
QString appLocalizedName(CalibrationPhase phase);

}  // namespace velkora
