#include "Battery/DashboardReadings.h"

#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <cmath>

namespace velkora {

namespace {

QString percentOf(std::int64_t value, std::int64_t whole)
{
    // Rounded half away from zero; kept a double, so that a capacity no
    // battery has still reads as a number rather than overflowing.
    const double share = std::round(static_cast<double>(value) / static_cast<double>(whole) * 100.0);
    return QString::number(share, 'f', 0) + QLatin1Char('%');
}

}  // namespace

QString DashboardReadings::healthPercentage(const BatterySnapshot& battery)
{
    if (battery.designCapacityMAh <= 0) {
        return QStringLiteral("--");
    }
    return percentOf(battery.maxCapacityMAh, battery.designCapacityMAh);
}

std::optional<QString> DashboardReadings::capacityPercentage(std::int64_t value, const BatterySnapshot& battery)
{
    if (value < 1 || battery.designCapacityMAh < 1) {
        return std::nullopt;
    }
    return percentOf(value, battery.designCapacityMAh);
}

QString DashboardReadings::localizedCondition(const BatterySnapshot& battery)
{
    const QString condition = QString::fromStdString(battery.condition);
    const QString folded = condition.toLower();
    if (folded == QLatin1String("normal")) {
        return localized(QStringLiteral("正常"));
    }
    if (folded == QLatin1String("service recommended") || folded == QLatin1String("check battery")) {
        return localized(QStringLiteral("建议维修"));
    }
    if (folded == QLatin1String("replace soon")) {
        return localized(QStringLiteral("尽快更换"));
    }
    if (folded == QLatin1String("replace now")) {
        return localized(QStringLiteral("立即更换"));
    }
    return condition.isEmpty() ? QStringLiteral("--") : condition;
}

QString DashboardReadings::capacity(std::int64_t milliampHours)
{
    return milliampHours >= 1 ? QString::number(milliampHours) + QStringLiteral(" mAh") : QStringLiteral("--");
}

std::array<VitalMetric, 4> DashboardReadings::vitalMetrics(const BatterySnapshot& battery)
{
    // Not a number is not below the mark either.
    const bool warm = !(battery.temperatureCelsius < highTemperature);
    return {
        VitalMetric{QStringLiteral("heart.fill"), QStringLiteral("电池健康"), healthPercentage(battery),
                    QStringLiteral("最大容量 ") + QString::number(battery.maxCapacityMAh) + QStringLiteral(" mAh"),
                    VelkoraTheme::energy()},
        VitalMetric{QStringLiteral("thermometer.medium"), QStringLiteral("温度"),
                    oneDecimal(battery.temperatureCelsius) + QStringLiteral("°C"),
                    warm ? QStringLiteral("建议降低负载") : QStringLiteral("温度正常"),
                    warm ? VelkoraTheme::systemOrange() : VelkoraTheme::energy()},
        VitalMetric{QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("循环次数"),
                    QString::number(battery.cycleCount), QString::fromStdString(battery.condition),
                    VelkoraTheme::lavender()},
        VitalMetric{QStringLiteral("clock"), battery.isCharging ? QStringLiteral("预计充满") : QStringLiteral("预计续航"),
                    formatDuration(battery.timeRemainingMinutes), QStringLiteral("实时估算"),
                    foregroundColor(ForegroundStyle::secondary)},
    };
}

std::array<StatusDetailSection, 3> DashboardReadings::sections(const PowerSnapshot& snapshot)
{
    const BatterySnapshot& battery = snapshot.battery;
    const std::optional<QString> health =
        battery.designCapacityMAh > 0 ? std::optional<QString>(healthPercentage(battery)) : std::nullopt;
    return {
        StatusDetailSection{
            QStringLiteral("bolt.fill"),
            QStringLiteral("实时电气"),
            {
                {QStringLiteral("电流"), signedValue(battery.currentAmps, QStringLiteral("A")), std::nullopt},
                {QStringLiteral("电压"), measuredValue(battery.voltageVolts, QStringLiteral("V")), std::nullopt},
                {QStringLiteral("电池功率"), signedValue(battery.powerWatts, QStringLiteral("W")), std::nullopt},
                {QStringLiteral("系统负载"), measuredValue(battery.systemLoadWatts, QStringLiteral("W")), std::nullopt},
                {QStringLiteral("当前容量"), capacity(battery.currentCapacityMAh), std::nullopt},
                {QStringLiteral("低电量模式"),
                 battery.lowPowerModeEnabled ? QStringLiteral("已开启") : QStringLiteral("已关闭"), std::nullopt},
            }},
        StatusDetailSection{
            QStringLiteral("heart.fill"),
            QStringLiteral("容量与健康"),
            {
                {QStringLiteral("设计容量"), capacity(battery.designCapacityMAh), std::nullopt},
                {QStringLiteral("最大容量"), capacity(battery.maxCapacityMAh), health},
                {QStringLiteral("macOS 容量"), capacity(battery.macOSCapacityMAh),
                 capacityPercentage(battery.macOSCapacityMAh, battery)},
                {QStringLiteral("macOS 状态"), localizedCondition(battery), std::nullopt},
                {QStringLiteral("循环次数"), QString::number(battery.cycleCount), std::nullopt},
            }},
        StatusDetailSection{QStringLiteral("powerplug.fill"), QStringLiteral("电源适配器"), adapterRows(snapshot.adapter)},
    };
}

QList<StatusDetailRow> DashboardReadings::adapterRows(const AdapterSnapshot& adapter)
{
    return {
        {QStringLiteral("连接状态"), adapter.connected ? QStringLiteral("已连接") : QStringLiteral("未连接"), std::nullopt},
        {QStringLiteral("额定功率"),
         adapter.ratedWatts >= 1 ? QString::number(adapter.ratedWatts) + QStringLiteral(" W") : QStringLiteral("--"),
         std::nullopt},
        {QStringLiteral("输入功率"), measuredValue(adapter.inputWatts, QStringLiteral("W")), std::nullopt},
        {QStringLiteral("电压"), measuredValue(adapter.voltageVolts, QStringLiteral("V")), std::nullopt},
        {QStringLiteral("电流"), measuredValue(adapter.currentAmps, QStringLiteral("A")), std::nullopt},
    };
}

}  // namespace velkora
