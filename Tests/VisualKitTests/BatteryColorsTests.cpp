#include "VisualKit/BatteryStatusTone.h"
#include "VisualKit/VelkoraTheme.h"

#include <gtest/gtest.h>

using namespace velkora;

namespace {

QColor rgb(double red, double green, double blue, double alpha = 1.0)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue),
                            static_cast<float>(alpha));
}

constexpr std::array appearances = {ColorAppearance::dark, ColorAppearance::light};

}  // namespace

TEST(BatteryLevelBand, TwentyIsCriticalFiftyIsLowAndThereIsNoUpperBound)
{
    const std::pair<int, BatteryLevelBand> cases[] = {
        {-1, BatteryLevelBand::critical}, {0, BatteryLevelBand::critical},  {20, BatteryLevelBand::critical},
        {21, BatteryLevelBand::low},      {50, BatteryLevelBand::low},      {51, BatteryLevelBand::healthy},
        {100, BatteryLevelBand::healthy}, {150, BatteryLevelBand::healthy},
    };
    for (const auto& [percentage, band] : cases) {
        EXPECT_EQ(batteryLevelBand(percentage), band) << percentage;
    }
}

TEST(BatteryStatusTone, OnlyTheSixOrdinaryStatesConsultThePercentage)
{
    for (const ChargingState state : allChargingStates) {
        const BatteryStatusTone atFifteen(state, 15);
        const BatteryStatusTone atEighty(state, 80);
        switch (state) {
        case ChargingState::unavailable:
            EXPECT_EQ(atFifteen, BatteryStatusTone::unavailable());
            EXPECT_EQ(atEighty, BatteryStatusTone::unavailable());
            break;
        case ChargingState::heatProtected:
        case ChargingState::error:
            EXPECT_EQ(atFifteen, BatteryStatusTone::danger());
            EXPECT_EQ(atEighty, BatteryStatusTone::danger());
            break;
        case ChargingState::calibrating:
            EXPECT_EQ(atFifteen, BatteryStatusTone::calibration());
            EXPECT_EQ(atEighty, BatteryStatusTone::calibration());
            break;
        default:
            EXPECT_EQ(atFifteen, BatteryStatusTone::level(BatteryLevelBand::critical)) << rawValue(state);
            EXPECT_EQ(atEighty, BatteryStatusTone::level(BatteryLevelBand::healthy)) << rawValue(state);
        }
    }
}

TEST(BatteryStatusTone, LevelTonesAreEqualOnlyWithTheSameBand)
{
    EXPECT_EQ(BatteryStatusTone(ChargingState::charging, 30), BatteryStatusTone(ChargingState::paused, 45));
    EXPECT_NE(BatteryStatusTone(ChargingState::charging, 30), BatteryStatusTone(ChargingState::charging, 51));
    EXPECT_EQ(BatteryStatusTone(ChargingState::error, 10), BatteryStatusTone(ChargingState::heatProtected, 90));
    EXPECT_NE(BatteryStatusTone::danger(), BatteryStatusTone::calibration());
    EXPECT_NE(BatteryStatusTone::level(BatteryLevelBand::low), BatteryStatusTone::unavailable());
}

TEST(BatteryColors, EachSchemeHasItsTableAndTheFixedSchemesIgnoreTheAppearance)
{
    struct Row {
        BatteryStatusColorScheme scheme;
        QColor critical;
        QColor low;
        QColor healthy;
    };
    const Row fixed[] = {
        {BatteryStatusColorScheme::tallowmere, rgb(1.0, 0.31, 0.29), rgb(1.0, 0.62, 0.18), rgb(0.27, 0.85, 0.60)},
        {BatteryStatusColorScheme::ocean, rgb(0.98, 0.32, 0.45), rgb(0.45, 0.50, 0.90), rgb(0.22, 0.78, 0.74)},
        {BatteryStatusColorScheme::accessible, rgb(0.80, 0.47, 0.65), rgb(0.90, 0.62, 0.0), rgb(0.0, 0.45, 0.70)},
    };
    for (const ColorAppearance appearance : appearances) {
        for (const Row& row : fixed) {
            EXPECT_EQ(color(row.scheme, BatteryLevelBand::critical, appearance), row.critical);
            EXPECT_EQ(color(row.scheme, BatteryLevelBand::low, appearance), row.low);
            EXPECT_EQ(color(row.scheme, BatteryLevelBand::healthy, appearance), row.healthy);
        }
        // The system scheme is the platform's red, yellow and label colour.
        const auto system = BatteryStatusColorScheme::system;
        EXPECT_EQ(color(system, BatteryLevelBand::critical, appearance), VelkoraTheme::systemRed(appearance));
        EXPECT_EQ(color(system, BatteryLevelBand::low, appearance), VelkoraTheme::systemYellow(appearance));
        EXPECT_EQ(color(system, BatteryLevelBand::healthy, appearance), VelkoraTheme::label(appearance));
    }
    EXPECT_EQ(color(BatteryStatusColorScheme::tallowmere, BatteryLevelBand::healthy), VelkoraTheme::energy());
}

TEST(BatteryColors, ASystemSchemeHealthyBatteryIsWhiteInDarkAndBlackInLightNotGreen)
{
    const QColor dark = color(BatteryStatusColorScheme::system, BatteryLevelBand::healthy, ColorAppearance::dark);
    const QColor light = color(BatteryStatusColorScheme::system, BatteryLevelBand::healthy, ColorAppearance::light);
    EXPECT_EQ(dark.rgb(), QColor(Qt::white).rgb());
    EXPECT_EQ(light.rgb(), QColor(Qt::black).rgb());
}

TEST(BatteryColors, DangerCalibrationAndUnavailableLookTheSameUnderEveryScheme)
{
    for (const ColorAppearance appearance : appearances) {
        for (const BatteryStatusColorScheme scheme : allBatteryStatusColorSchemes) {
            for (const int percentage : {5, 35, 80}) {
                EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::calibrating, percentage, scheme, appearance),
                          rgb(0.72, 0.60, 0.96));
                EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::heatProtected, percentage, scheme, appearance),
                          VelkoraTheme::systemRed(appearance));
                EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::error, percentage, scheme, appearance),
                          VelkoraTheme::systemRed(appearance));
                EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::unavailable, percentage, scheme, appearance),
                          VelkoraTheme::secondaryLabel(appearance));
            }
        }
    }
}

TEST(BatteryColors, ChargingAtFifteenPercentTakesTheCriticalColourOfTheScheme)
{
    EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::charging, 15, BatteryStatusColorScheme::tallowmere),
              rgb(1.0, 0.31, 0.29));
    EXPECT_EQ(VelkoraTheme::batteryStatusColor(ChargingState::charging, 15, BatteryStatusColorScheme::system),
              VelkoraTheme::systemRed());
    // Level colours follow the band alone.
    EXPECT_EQ(VelkoraTheme::batteryLevelColor(20, BatteryStatusColorScheme::ocean), rgb(0.98, 0.32, 0.45));
    EXPECT_EQ(VelkoraTheme::batteryLevelColor(21, BatteryStatusColorScheme::ocean), rgb(0.45, 0.50, 0.90));
    EXPECT_EQ(VelkoraTheme::batteryLevelColor(50, BatteryStatusColorScheme::ocean), rgb(0.45, 0.50, 0.90));
    EXPECT_EQ(VelkoraTheme::batteryLevelColor(51, BatteryStatusColorScheme::ocean), rgb(0.22, 0.78, 0.74));
}

TEST(VelkoraTheme, TheDarkPaletteHasTheNamedColoursAndTranslucentWhites)
{
    EXPECT_EQ(VelkoraTheme::energy(), rgb(0.27, 0.85, 0.60));
    EXPECT_EQ(VelkoraTheme::accent(), VelkoraTheme::energy());
    EXPECT_EQ(VelkoraTheme::green(), VelkoraTheme::energy());
    EXPECT_EQ(VelkoraTheme::aqua(), rgb(0.35, 0.78, 0.72));
    EXPECT_EQ(VelkoraTheme::warm(), rgb(1.0, 0.42, 0.29));
    EXPECT_EQ(VelkoraTheme::lavender(), rgb(0.72, 0.60, 0.96));
    EXPECT_EQ(VelkoraTheme::card(ColorAppearance::dark), rgb(1, 1, 1, 0.048));
    EXPECT_EQ(VelkoraTheme::track(ColorAppearance::dark), rgb(1, 1, 1, 0.065));
    EXPECT_EQ(VelkoraTheme::border(ColorAppearance::dark), rgb(1, 1, 1, 0.095));
    // On the light background the surfaces must still be seen.
    EXPECT_GT(VelkoraTheme::card(ColorAppearance::light).alphaF(), 0.5);
    EXPECT_EQ(VelkoraTheme::border(ColorAppearance::light).rgb() & 0xffffff, 0u);
}

TEST(VelkoraTheme, TheWindowBackgroundFollowsTheAppearanceSetting)
{
    EXPECT_EQ(VelkoraTheme::backgroundColor(AppAppearance::dark), rgb(0.065, 0.082, 0.078));
    EXPECT_EQ(VelkoraTheme::backgroundColor(AppAppearance::light), rgb(0.93, 0.94, 0.93));
    EXPECT_DOUBLE_EQ(VelkoraTheme::backgroundGlowOpacity(AppAppearance::dark), 0.055);
    EXPECT_DOUBLE_EQ(VelkoraTheme::backgroundGlowOpacity(AppAppearance::light), 0.035);
    EXPECT_EQ(VelkoraTheme::backgroundColor(AppAppearance::system),
              VelkoraTheme::windowBackground(VelkoraTheme::resolve(AppAppearance::system)));
}
