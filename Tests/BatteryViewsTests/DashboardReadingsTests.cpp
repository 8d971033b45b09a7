#include "Battery/DashboardReadings.h"
#include "Battery/StatusDetailSection.h"

#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cmath>
#include <limits>

namespace velkora {
namespace {

// Row `label` of section `section` of the detailed status.
StatusDetailRow row(const PowerSnapshot& snapshot, int section, const QString& label)
{
    const auto sections = DashboardReadings::sections(snapshot);
    for (const StatusDetailRow& candidate : sections[section].rows) {
        if (candidate.label == label) {
            return candidate;
        }
    }
    ADD_FAILURE() << "no row " << label.toStdString();
    return {};
}

QString value(const PowerSnapshot& snapshot, int section, const QString& label)
{
    return row(snapshot, section, label).value;
}

TEST(DashboardReadings, ZeroReadingsReadAsDashesWhereZeroMeansNothingKnown)
{
    const PowerSnapshot zero;
    EXPECT_EQ(value(zero, 0, "电流"), "--");
    EXPECT_EQ(value(zero, 0, "电压"), "--");
    EXPECT_EQ(value(zero, 0, "电池功率"), "--");
    EXPECT_EQ(value(zero, 0, "系统负载"), "--");
    EXPECT_EQ(value(zero, 0, "当前容量"), "--");
    EXPECT_EQ(value(zero, 0, "低电量模式"), "已关闭");
    EXPECT_EQ(value(zero, 1, "设计容量"), "--");
    EXPECT_EQ(row(zero, 1, "最大容量"), (StatusDetailRow{"最大容量", "--", std::nullopt}));
    EXPECT_EQ(row(zero, 1, "macOS 容量"), (StatusDetailRow{"macOS 容量", "--", std::nullopt}));
    EXPECT_EQ(value(zero, 1, "macOS 状态"), "--");
    EXPECT_EQ(value(zero, 1, "循环次数"), "0");
    const QList<StatusDetailRow> adapter = DashboardReadings::adapterRows(zero.adapter);
    const QList<StatusDetailRow> expected = {{"连接状态", "未连接", std::nullopt},
                                             {"额定功率", "--", std::nullopt},
                                             {"输入功率", "--", std::nullopt},
                                             {"电压", "--", std::nullopt},
                                             {"电流", "--", std::nullopt}};
    EXPECT_EQ(adapter, expected);

    const auto metrics = DashboardReadings::vitalMetrics(zero.battery);
    EXPECT_EQ(metrics[0].value, "--");
    EXPECT_EQ(metrics[0].detail, "最大容量 0 mAh");
    EXPECT_EQ(metrics[1].value, "0.0°C");
    EXPECT_EQ(metrics[1].detail, "温度正常");
    EXPECT_EQ(metrics[3].title, "预计续航");
    EXPECT_EQ(metrics[3].value, "--");
}

TEST(DashboardReadings, SignedReadingsKeepTheirDirectionAndTheOthersShowOnlyWhenPositive)
{
    PowerSnapshot snapshot;
    snapshot.battery.currentAmps = -1.5;
    snapshot.battery.powerWatts = 2.34;
    snapshot.battery.voltageVolts = -12;
    snapshot.battery.systemLoadWatts = -2;
    snapshot.adapter.connected = true;
    snapshot.adapter.inputWatts = -5;
    snapshot.adapter.voltageVolts = 20;
    snapshot.adapter.currentAmps = 0;
    snapshot.adapter.ratedWatts = 96;
    EXPECT_EQ(value(snapshot, 0, "电流"), "-1.5 A");
    EXPECT_EQ(value(snapshot, 0, "电池功率"), "+2.3 W");
    EXPECT_EQ(value(snapshot, 0, "电压"), "--");
    EXPECT_EQ(value(snapshot, 0, "系统负载"), "--");
    EXPECT_EQ(value(snapshot, 2, "连接状态"), "已连接");
    EXPECT_EQ(value(snapshot, 2, "额定功率"), "96 W");
    EXPECT_EQ(value(snapshot, 2, "输入功率"), "--");
    EXPECT_EQ(value(snapshot, 2, "电压"), "20.0 V");
    EXPECT_EQ(value(snapshot, 2, "电流"), "--");
    snapshot.battery.currentAmps = 2;
    EXPECT_EQ(value(snapshot, 0, "电流"), "+2.0 A");
}

TEST(DashboardReadings, UnreadableReadingsReadAsDashesAndAWarmUnknownTemperature)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    PowerSnapshot snapshot;
    snapshot.battery.currentAmps = nan;
    snapshot.battery.voltageVolts = std::numeric_limits<double>::infinity();
    snapshot.battery.temperatureCelsius = nan;
    snapshot.battery.timeRemainingMinutes = std::nullopt;
    snapshot.adapter.inputWatts = nan;
    EXPECT_EQ(value(snapshot, 0, "电流"), "--");
    EXPECT_EQ(value(snapshot, 0, "电压"), "--");
    EXPECT_EQ(value(snapshot, 2, "输入功率"), "--");
    const auto metrics = DashboardReadings::vitalMetrics(snapshot.battery);
    EXPECT_EQ(metrics[1].value, "--°C");
    EXPECT_EQ(metrics[1].detail, "建议降低负载") << "not a number is not below the mark";
    EXPECT_EQ(metrics[1].tint, VelkoraTheme::systemOrange());
    EXPECT_EQ(metrics[3].value, "--");

    snapshot.battery.temperatureCelsius = 40.0;
    EXPECT_EQ(DashboardReadings::vitalMetrics(snapshot.battery)[1].detail, "建议降低负载");
    snapshot.battery.temperatureCelsius = 39.95;
    EXPECT_EQ(DashboardReadings::vitalMetrics(snapshot.battery)[1].detail, "温度正常");
    EXPECT_EQ(DashboardReadings::vitalMetrics(snapshot.battery)[1].tint, VelkoraTheme::energy());
}

TEST(DashboardReadings, HugeReadingsStayNumbers)
{
    PowerSnapshot snapshot;
    snapshot.battery.voltageVolts = 1e15;
    snapshot.battery.currentCapacityMAh = std::numeric_limits<std::int64_t>::max();
    snapshot.battery.maxCapacityMAh = std::numeric_limits<std::int64_t>::max();
    snapshot.battery.designCapacityMAh = 1;
    snapshot.battery.cycleCount = std::numeric_limits<std::int64_t>::max();
    snapshot.adapter.ratedWatts = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(value(snapshot, 0, "电压"), "1000000000000000.0 V");
    EXPECT_EQ(value(snapshot, 0, "当前容量"), "9223372036854775807 mAh");
    EXPECT_EQ(value(snapshot, 1, "循环次数"), "9223372036854775807");
    EXPECT_EQ(value(snapshot, 2, "额定功率"), "9223372036854775807 W");
    const QString health = DashboardReadings::healthPercentage(snapshot.battery);
    EXPECT_EQ(health, "922337203685477580800%") << "no overflow into a negative figure";
}

TEST(DashboardReadings, HealthRoundsHalvesUpAndNeedsADesignCapacity)
{
    BatterySnapshot battery;
    battery.designCapacityMAh = 5000;
    battery.maxCapacityMAh = 4500;
    EXPECT_EQ(DashboardReadings::healthPercentage(battery), "90%");
    battery.maxCapacityMAh = 4975;
    EXPECT_EQ(DashboardReadings::healthPercentage(battery), "100%");
    EXPECT_EQ(DashboardReadings::capacityPercentage(4975, battery), "100%");
    EXPECT_EQ(DashboardReadings::capacityPercentage(0, battery), std::nullopt);
    battery.designCapacityMAh = 0;
    EXPECT_EQ(DashboardReadings::healthPercentage(battery), "--");
    EXPECT_EQ(DashboardReadings::capacityPercentage(4975, battery), std::nullopt);
}

TEST(DashboardReadings, ConditionsAreNamedInTheUsersLanguageWhateverTheirCase)
{
    const std::vector<std::pair<std::string, QString>> conditions = {
        {"Normal", localized("正常")},
        {"Service Recommended", localized("建议维修")},
        {"CHECK BATTERY", localized("建议维修")},
        {"Replace Soon", localized("尽快更换")},
        {"replace now", localized("立即更换")},
        {"Poor", "Poor"},
        {"", "--"},
    };
    for (const auto& [condition, shown] : conditions) {
        BatterySnapshot battery;
        battery.condition = condition;
        EXPECT_EQ(DashboardReadings::localizedCondition(battery), shown) << condition;
    }
}

TEST(StatusDetailSectionView, AValueTooLongForItsLineIsShortenedNotDrawnOverItsNeighbours)
{
    StatusDetailSectionView view;
    view.setSection({"bolt.fill", "实时电气", {{"电压", "1000000000000000000000.0 V", std::nullopt}, {"电流", "+2.0 A", std::nullopt}}});
    view.resize(180, 200);
    view.show();
    QApplication::processEvents();
    EXPECT_TRUE(view.shownValue(0).contains(QChar(0x2026))) << view.shownValue(0).toStdString();
    EXPECT_LT(view.shownValue(0).size(), QStringLiteral("1000000000000000000000.0 V").size());
    EXPECT_EQ(view.shownValue(1), "+2.0 A");
}

}  // namespace
}  // namespace velkora
