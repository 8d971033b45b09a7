#include "SimulatedMac.h"

#include <gtest/gtest.h>

#include <string>

namespace velkora {
namespace {

// A battery taken from a real Mac's registry dump, read the way the daemon
// reads it. The physics is held still so the captured values stay as they are.
PowerSnapshot readCapture(SimulatedMac& mac, const std::string& capture)
{
    mac.control({"speed", "0"});
    mac.simmac().loadBatteryCapture(testsupport::SimmacProcess::batteryCapture(capture));
    return mac.makeController()->readSnapshot();
}

TEST(CaptureSnapshotTests, AppleSiliconDumpOnTheAdapterReadsRawCapacitiesAndTheAdapter)
{
    SimulatedMac mac("firmware-limit-laptop");
    const PowerSnapshot snapshot = readCapture(mac, "apple-silicon-on-adapter.txt");
    const BatterySnapshot& battery = snapshot.battery;

    EXPECT_EQ(battery.percentage, 83);
    EXPECT_EQ(battery.hardwarePercentage, 82);  // 4100 of 5000 mAh, truncated
    EXPECT_EQ(battery.currentCapacityMAh, 4100);
    EXPECT_EQ(battery.maxCapacityMAh, 5000);
    EXPECT_EQ(battery.designCapacityMAh, 6075);
    EXPECT_EQ(battery.macOSCapacityMAh, 5127);
    EXPECT_EQ(battery.cycleCount, 187);
    EXPECT_NEAR(battery.temperatureCelsius, 29.95, 1e-9);
    EXPECT_NEAR(battery.voltageVolts, 12.781, 1e-9);
    EXPECT_NEAR(battery.currentAmps, 2.14, 1e-9);
    EXPECT_TRUE(battery.isCharging);
    EXPECT_TRUE(battery.adapterConnected);
    EXPECT_EQ(battery.condition, "Normal");
    EXPECT_EQ(battery.serialNumber, "F8Y2341002RQ1Q5AS");
    EXPECT_TRUE(snapshot.adapter.connected);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 96);
}

TEST(CaptureSnapshotTests, IntelDumpDischargingReadsMilliampHoursAndTheWrappedCurrent)
{
    SimulatedMac mac("legacy-laptop");
    const PowerSnapshot snapshot = readCapture(mac, "intel-discharging.txt");
    const BatterySnapshot& battery = snapshot.battery;

    EXPECT_EQ(battery.percentage, 67);
    // Without the raw keys the hardware figure is the displayed one.
    EXPECT_EQ(battery.hardwarePercentage, 67);
    EXPECT_EQ(battery.currentCapacityMAh, 0);
    EXPECT_EQ(battery.maxCapacityMAh, 5103);
    EXPECT_EQ(battery.designCapacityMAh, 6669);
    EXPECT_EQ(battery.macOSCapacityMAh, 5103);
    EXPECT_EQ(battery.cycleCount, 412);
    EXPECT_NEAR(battery.temperatureCelsius, 31.05, 1e-9);
    EXPECT_NEAR(battery.voltageVolts, 11.583, 1e-9);
    EXPECT_NEAR(battery.currentAmps, -1.532, 1e-9);
    EXPECT_FALSE(battery.isCharging);
    EXPECT_FALSE(battery.adapterConnected);
    EXPECT_EQ(battery.condition, "Service Recommended");
    EXPECT_FALSE(snapshot.adapter.connected);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 0);
}

TEST(CaptureSnapshotTests, MalformedDumpLeavesTheRunningBatteryAlone)
{
    SimulatedMac mac("firmware-limit-laptop");
    mac.control({"speed", "0"});
    const auto controller = mac.makeController();
    const PowerSnapshot before = controller->readSnapshot();

    const auto result = mac.simmac().simmacctl(
        {"capture", "load", testsupport::SimmacProcess::batteryCapture("malformed-line.txt").string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errorOutput.find("line 7"), std::string::npos) << result.errorOutput;

    const PowerSnapshot after = controller->readSnapshot();
    EXPECT_EQ(after.battery.percentage, before.battery.percentage);
    EXPECT_EQ(after.battery.cycleCount, before.battery.cycleCount);
    EXPECT_EQ(after.battery.serialNumber, before.battery.serialNumber);
}

}  // namespace
}  // namespace velkora
