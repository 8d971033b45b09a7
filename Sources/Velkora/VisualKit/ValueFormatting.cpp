#include "VisualKit/ValueFormatting.h"

#include "Foundation/Bundle.h"
#include "Services/AppLanguage.h"

#include <charconv>
#include <cmath>

namespace velkora {

namespace {

const QString missing = QStringLiteral("--");

// The table's text for `key` with each "%lld" replaced by the next number.
QString substitute(const QString& key, std::initializer_list<std::int64_t> numbers, const QString& localization)
{
    QString text = QString::fromStdString(
        platform::Bundle::main().localizedString(key.toStdString(), localization.toStdString()));
    const QString placeholder = QStringLiteral("%lld");
    qsizetype from = 0;
    for (const std::int64_t number : numbers) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at < 0) {
            break;
        }
        const QString digits = QString::number(number);
        text.replace(at, placeholder.size(), digits);
        from = at + digits.size();
    }
    return text;
}

}  // namespace

QString oneDecimal(double value)
{
    if (!std::isfinite(value)) {
        return missing;
    }
    // to_chars is exact and never looks at a locale: the same rounding as
    // "%.1f" without its decimal comma under some LC_NUMERIC.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (error != std::errc()) {
        return missing;
    }
    return QString::fromLatin1(buffer, end - buffer);
}

QString signedValue(double value, const QString& unit)
{
    if (value == 0 || !std::isfinite(value)) {
        return missing;
    }
    return (value > 0 ? QStringLiteral("+") : QString()) + oneDecimal(value) + QLatin1Char(' ') + unit;
}

QString measuredValue(double value, const QString& unit)
{
    if (!(value > 0) || !std::isfinite(value)) {
        return missing;
    }
    return oneDecimal(value) + QLatin1Char(' ') + unit;
}

QString signedPower(double watts)
{
    if (!std::isfinite(watts)) {
        return missing;
    }
    return (watts > 0 ? QStringLiteral("+") : QString()) + oneDecimal(watts) + QStringLiteral(" W");
}

QString formatDuration(std::optional<std::int64_t> minutes)
{
    return formatDuration(minutes, AppLanguage::localizationName());
}

QString formatDuration(std::optional<std::int64_t> minutes, const QString& localization)
{
    if (!minutes || *minutes < 1) {
        return missing;
    }
    if (*minutes < 60) {
        return substitute(QStringLiteral("%lld 分钟"), {*minutes}, localization);
    }
    return substitute(QStringLiteral("%lld 小时 %lld 分钟"), {*minutes / 60, *minutes % 60}, localization);
}

}  // namespace velkora
