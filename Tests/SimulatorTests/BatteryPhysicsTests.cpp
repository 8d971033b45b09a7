#include <gtest/gtest.h>

#include "Simmac/BatteryPhysics.h"

using simmac::BatteryPhysics;
using simmac::ChargerControls;

namespace {

BatteryPhysics::Pack pack(double percent)
{
    BatteryPhysics::Pack pack;
    pack.designCapacityMAh = 6000;
    pack.fullChargeCapacityMAh = 5000;
    pack.chargeMAh = 50 * percent;
    pack.temperatureCelsius = 30;
    return pack;
}

BatteryPhysics laptop(double percent, int adapterWatts = 70, double load = 20)
{
    return BatteryPhysics(pack(percent), {true, adapterWatts, 20.0}, load);
}

void run(BatteryPhysics& physics, int seconds, const ChargerControls& controls = {})
{
    for (int i = 0; i < seconds; ++i) {
        physics.advance(controls);
    }
}

ChargerControls firmwareLimit(int lower, int upper)
{
    ChargerControls controls;
    controls.firmwareLimit = ChargerControls::FirmwareLimit{lower, upper};
    return controls;
}

}  // namespace

TEST(BatteryPhysics, TheFlowFollowsTheAdapterAndTheControls)
{
    ChargerControls inhibited;
    inhibited.chargingInhibited = true;
    ChargerControls adapterOff;
    adapterOff.adapterDisabled = true;
    struct Case {
        const char* name;
        BatteryPhysics physics;
        ChargerControls controls;
        bool charging;
        double minimumMilliamps;
        double maximumMilliamps;
        double adapterWatts;
    };
    Case cases[] = {
        // 70 W - 20 W leaves 50 W, more than the 0.7 C limit of 3.5 A.
        {"charging", laptop(50), {}, true, 3499, 3501, 20 + 3.5 * 11.7},
        // 30 W - 20 W leaves 10 W: the adapter limits the current.
        {"small adapter", laptop(50, 30), {}, true, 800, 900, 30},
        {"inhibited", laptop(50), inhibited, false, 0, 0, 20},
        {"adapter disabled", laptop(50), adapterOff, false, -1750, -1650, 0},
        {"unplugged", BatteryPhysics(pack(50), {false, 70, 20.0}, 20), {}, false, -1750, -1650, 0},
        {"load above the adapter", laptop(50, 30, 42), {}, false, -1100, -1000, 30},
        {"full", laptop(100), {}, false, 0, 0, 20},
        {"at the firmware's upper bound", laptop(80), firmwareLimit(75, 80), false, 0, 0, 20},
    };
    for (Case& c : cases) {
        c.physics.settle(c.controls);
        EXPECT_EQ(c.physics.isCharging(), c.charging) << c.name;
        EXPECT_GE(c.physics.currentMilliamps(), c.minimumMilliamps) << c.name;
        EXPECT_LE(c.physics.currentMilliamps(), c.maximumMilliamps) << c.name;
        EXPECT_NEAR(c.physics.adapterInputWatts(), c.adapterWatts, 1.0) << c.name;
        EXPECT_GT(c.physics.voltageMillivolts(), 10000) << c.name;
        EXPECT_LT(c.physics.voltageMillivolts(), 13000) << c.name;
    }
}

TEST(BatteryPhysics, ChargingTapersNearFullAndStopsAtFull)
{
    BatteryPhysics physics = laptop(79);
    physics.settle({});
    const double bulk = physics.currentMilliamps();
    physics.setLevel(95);
    physics.settle({});
    EXPECT_LT(physics.currentMilliamps(), bulk / 3);
    EXPECT_FALSE(physics.isFullyCharged());

    run(physics, 4 * 3600);
    EXPECT_EQ(physics.level(), 100);
    EXPECT_TRUE(physics.isFullyCharged());
    EXPECT_FALSE(physics.isCharging());
    EXPECT_EQ(physics.currentMilliamps(), 0);
}

TEST(BatteryPhysics, FullMeansAnInstalledPackHoldingItsWholeFullChargeCapacity)
{
    EXPECT_TRUE(laptop(100).isFullyCharged());

    BatteryPhysics oneShort(BatteryPhysics::Pack{6000, 5000, 4999, 0, 30}, {true, 70, 20.0}, 20);
    EXPECT_FALSE(oneShort.isFullyCharged()) << "one mAh short";
    BatteryPhysics removed = laptop(100);
    removed.removeBattery();
    EXPECT_FALSE(removed.isFullyCharged()) << "no battery installed";
    BatteryPhysics worn(BatteryPhysics::Pack{6000, 0, 0, 0, 30}, {true, 70, 20.0}, 20);
    EXPECT_FALSE(worn.isFullyCharged()) << "a pack that holds nothing is not full";
    BatteryPhysics desktop(std::nullopt, {true, 150, 12.0}, 40);
    EXPECT_FALSE(desktop.isFullyCharged()) << "no battery bay";
}

TEST(BatteryPhysics, TheFirmwareLimitHoldsBetweenItsBounds)
{
    BatteryPhysics physics = laptop(70);
    const ChargerControls limit = firmwareLimit(75, 80);
    run(physics, 3 * 3600, limit);
    EXPECT_EQ(physics.level(), 80);
    EXPECT_FALSE(physics.isCharging());

    // Between the bounds after reaching the upper one: it waits.
    physics.setLevel(77);
    run(physics, 600, limit);
    EXPECT_EQ(physics.level(), 77);
    // Below the lower bound it charges again, up to the upper one.
    physics.setLevel(74);
    run(physics, 10, limit);
    EXPECT_TRUE(physics.isCharging());
    run(physics, 3 * 3600, limit);
    EXPECT_EQ(physics.level(), 80);
    // Without the limit it goes on to full.
    run(physics, 5 * 3600);
    EXPECT_EQ(physics.level(), 100);
}

TEST(BatteryPhysics, DischargingCountsCyclesAndTheTemperatureFollowsThePower)
{
    BatteryPhysics physics(pack(100), {false, 70, 20.0}, 60);
    run(physics, 10);
    EXPECT_FALSE(physics.minutesToEmpty().has_value()) << "still estimating";
    EXPECT_FALSE(physics.minutesToFull().has_value());
    run(physics, 30);
    ASSERT_TRUE(physics.minutesToEmpty().has_value());
    // About 5000 mAh at 60 W from a pack near 12.5 V.
    EXPECT_GT(*physics.minutesToEmpty(), 55);
    EXPECT_LT(*physics.minutesToEmpty(), 65);

    const int cycles = physics.pack().cycleCount;
    physics.setLevel(100);
    run(physics, 2 * 3600);
    EXPECT_EQ(physics.level(), 0);
    EXPECT_EQ(physics.currentMilliamps(), 0) << "an empty battery gives nothing";
    EXPECT_EQ(physics.pack().cycleCount, cycles + 1);

    BatteryPhysics charging = laptop(20, 96, 10);
    run(charging, 1800);
    EXPECT_GT(charging.pack().temperatureCelsius, 31);
    EXPECT_LT(charging.pack().temperatureCelsius, 40);
    charging.unplug();
    charging.setLoad(0);
    run(charging, 4 * 3600);
    EXPECT_NEAR(charging.pack().temperatureCelsius, 30, 0.2);
}

TEST(BatteryPhysics, ReadingsTakenElsewhereStandUntilTimePasses)
{
    BatteryPhysics physics = laptop(80);
    physics.continueFrom(12600, 850);
    EXPECT_EQ(physics.voltageMillivolts(), 12600);
    EXPECT_EQ(physics.currentMilliamps(), 850);
    ASSERT_TRUE(physics.minutesToFull().has_value());
    EXPECT_EQ(*physics.minutesToFull(), 71);  // 1000 mAh at 850 mA
    physics.advance({});
    EXPECT_GT(physics.currentMilliamps(), 3000);
    // The voltage curve passes through the reading.
    EXPECT_NEAR(physics.voltageMillivolts(), 12600 + (physics.currentMilliamps() - 850) * 0.15, 5);
}

TEST(BatteryPhysics, WithoutABatteryTheAdapterCarriesTheLoad)
{
    BatteryPhysics desktop(std::nullopt, {true, 150, 12.1}, 38.6);
    EXPECT_FALSE(desktop.hasBatteryBay());
    EXPECT_FALSE(desktop.batteryInstalled());
    EXPECT_NEAR(desktop.adapterInputWatts(), 38.6, 1e-9);
    EXPECT_EQ(desktop.level(), 0);

    BatteryPhysics removed = laptop(50);
    removed.removeBattery();
    run(removed, 60);
    EXPECT_TRUE(removed.hasBatteryBay());
    EXPECT_FALSE(removed.batteryInstalled());
    EXPECT_EQ(removed.currentMilliamps(), 0);
    EXPECT_NEAR(removed.adapterInputWatts(), 20, 1e-9);
    removed.insertBattery();
    removed.settle({});
    EXPECT_EQ(removed.level(), 50);
    EXPECT_TRUE(removed.isCharging());
}
