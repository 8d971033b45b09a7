#include <VelkoraCore/BatteryPresence.h>
#include <VelkoraCore/PowerMath.h>
#include <VelkoraCore/SMCBatteryTelemetry.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

using namespace velkora;

TEST(TelemetryTest, BatteryPresenceRulesApplyInOrder)
{
    struct Case {
        std::optional<bool> installed;
        std::optional<std::int64_t> packCount;
        std::optional<std::int64_t> maxCapacity;
        bool expected;
    };
    const std::vector<Case> cases = {
        {false, 1, 5000, false},
        {true, std::nullopt, std::nullopt, true},
        {std::nullopt, 1, std::nullopt, true},
        {std::nullopt, 0, 4500, true},
        {std::nullopt, 0, 0, false},
        {std::nullopt, std::nullopt, std::nullopt, false},
        {std::nullopt, -1, std::nullopt, false},
        {std::nullopt, std::nullopt, -5, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BatteryPresence::isInstalled(c.installed, c.packCount, c.maxCapacity), c.expected)
            << c.installed.value_or(-1) << " " << c.packCount.value_or(-99) << " " << c.maxCapacity.value_or(-99);
    }
}

TEST(TelemetryTest, SystemLoadIsNeverNegative)
{
    struct Case {
        double adapter, battery, expected;
    };
    for (const Case& c : std::vector<Case>{{60, 20, 40}, {60, 70, 0}, {0, -15, 15}, {-3, -15, 15}, {45.5, 0, 45.5}}) {
        EXPECT_DOUBLE_EQ(PowerMath::systemLoadWatts(c.adapter, c.battery), c.expected) << c.adapter << " " << c.battery;
    }
    EXPECT_EQ(PowerMath::systemLoadWatts(std::nan(""), -10), 10);
    EXPECT_EQ(PowerMath::systemLoadWatts(60, std::nan("")), 0);
}

TEST(TelemetryTest, PercentageTruncatesAndSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(PowerMath::percentage(4100, 5000), 82);
    EXPECT_EQ(PowerMath::percentage(-1, 3), -33);
    EXPECT_EQ(PowerMath::percentage(std::numeric_limits<std::int64_t>::max(), 1),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(PowerMath::percentage(std::numeric_limits<std::int64_t>::min(), 1),
              std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(PowerMath::percentage(std::numeric_limits<std::int64_t>::max(), 200),
              std::numeric_limits<std::int64_t>::max() / 2);
}

TEST(TelemetryTest, SMCValuesDecodeInBothByteOrdersWithinTheirRanges)
{
    using Bytes = std::vector<std::uint8_t>;
    constexpr auto little = SMCIntegerByteOrder::little;
    constexpr auto big = SMCIntegerByteOrder::big;
    struct Case {
        Bytes bytes;
        SMCIntegerByteOrder order;
        std::optional<int> expected;
    };
    const std::vector<Case> voltages = {
        {{0x34, 0x31}, little, 12596}, {{0x34, 0x31}, big, 13361},    {{0x88, 0x13}, little, 5000},
        {{0x87, 0x13}, little, std::nullopt}, {{0x98, 0x3A}, little, 15000}, {{0x99, 0x3A}, little, std::nullopt},
        {{0xFF, 0xFF}, little, std::nullopt}, {{0x34}, little, std::nullopt}, {{0x34, 0x31, 0x00}, big, std::nullopt},
        {{}, little, std::nullopt},
    };
    for (const Case& c : voltages) {
        EXPECT_EQ(SMCBatteryTelemetry::voltageMillivolts(c.bytes, c.order), c.expected) << c.bytes.size();
    }
    const std::vector<Case> currents = {
        {{0x24, 0xFA}, little, -1500}, {{0xFA, 0x24}, big, -1500},     {{0x20, 0xD1}, little, -12000},
        {{0x1F, 0xD1}, little, std::nullopt}, {{0xE0, 0x2E}, little, 12000}, {{0xE1, 0x2E}, little, std::nullopt},
        {{0x00, 0x00}, big, 0},        {{0x01}, little, std::nullopt}, {{0, 0, 0}, little, std::nullopt},
        {{}, big, std::nullopt},
    };
    for (const Case& c : currents) {
        EXPECT_EQ(SMCBatteryTelemetry::currentMilliamps(c.bytes, c.order), c.expected) << c.bytes.size();
    }
}
