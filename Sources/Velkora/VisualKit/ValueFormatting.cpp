#include "VisualKit/ValueFormatting.h"

#include "Services/AppLanguage.h"

#include <charconv>
#include <cmath>

namespace velkora {

namespace {

const QString missing = QStringLiteral("--");

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
    if (!minutes || *minutes < 1) {
        return missing;
    }
    if (*minutes < 60) {
        return localized(QStringLiteral("%lld 分钟"), qint64(*minutes));
    }
    return localized(QStringLiteral("%lld 小时 %lld 分钟"), qint64(*minutes / 60), qint64(*minutes % 60));
}

}  // namespace velkora
