#include "Services/BatteryMonitor.h"

#include "VelkoraCore/SMCIntegerByteOrder.h"

#include "SharedSimmac.h"

#include <QThread>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <cstdio>

using namespace velkora;
using namespace std::chrono_literals;

namespace {

class BatteryMonitorTest : public testing::Test {
protected:
    BatteryMonitor::Clock clock()
    {
        return [this] { return now; };
    }

    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point(1000h);
};

// The firmware-limit laptop as its model file states it: 80 % of 5480 mAh,
// charging at 850 mA and 12.6 V from a 70 W, 20 V adapter while the computer
// draws 24.5 W.
class LaptopBatteryTest : public BatteryMonitorTest {
protected:
    void SetUp() override { SharedSimmac::useModel("firmware-limit-laptop"); }
};

// A battery taken from a hand-written ioreg dump, on the firmware-limit laptop.
class CapturedBatteryTest : public BatteryMonitorTest {
protected:
    void SetUp() override { SharedSimmac::useModel("firmware-limit-laptop"); }

    static void load(const std::string& name)
    {
        SharedSimmac::process().loadBatteryCapture(testsupport::SimmacProcess::batteryCapture(name));
    }
};

// A two-byte battery value as the SMC of this build's Mac delivers it.
std::string batteryKeyHex(std::uint16_t value)
{
    const std::uint8_t high = value >> 8;
    const std::uint8_t low = value & 0xFF;
    const bool bigEndian = currentSMCIntegerByteOrder == SMCIntegerByteOrder::big;
    char text[5];
    std::snprintf(text, sizeof text, "%02X%02X", bigEndian ? high : low, bigEndian ? low : high);
    return text;
}

}  // namespace

TEST_F(LaptopBatteryTest, ReadsAChargingBatteryOnTheAdapter)
{
    BatteryMonitor monitor(clock());
    ASSERT_TRUE(monitor.batteryPresent());
    EXPECT_FALSE(monitor.batteryAbsenceConfirmed());

    const auto before = std::chrono::system_clock::now();
    const PowerSnapshot snapshot = monitor.read();
    const BatterySnapshot& battery = snapshot.battery;
    EXPECT_GE(battery.timestamp, before);
    EXPECT_LE(battery.timestamp, std::chrono::system_clock::now());
    EXPECT_EQ(battery.percentage, 80);
    EXPECT_EQ(battery.hardwarePercentage, 4384 * 100 / 5480);
    EXPECT_TRUE(battery.isCharging);
    EXPECT_FALSE(battery.isFullyCharged);
    EXPECT_TRUE(battery.adapterConnected);
    if (battery.timeRemainingMinutes) {
        EXPECT_GE(*battery.timeRemainingMinutes, 1);
        EXPECT_LE(*battery.timeRemainingMinutes, 9999);
    }
    EXPECT_NEAR(battery.temperatureCelsius, 30.5, 0.06);
    EXPECT_DOUBLE_EQ(battery.voltageVolts, 12.6);
    EXPECT_DOUBLE_EQ(battery.currentAmps, 0.85);
    EXPECT_DOUBLE_EQ(battery.powerWatts, 12.6 * 0.85);
    EXPECT_EQ(battery.currentCapacityMAh, 4384);
    EXPECT_EQ(battery.maxCapacityMAh, 5480);
    EXPECT_EQ(battery.designCapacityMAh, 6075);
    EXPECT_EQ(battery.cycleCount, 212);
    EXPECT_EQ(battery.condition, "Normal");
    EXPECT_EQ(battery.serialNumber, "F8Y3521K0QMQ");
    EXPECT_FALSE(battery.lowPowerModeEnabled);

    const AdapterSnapshot& adapter = snapshot.adapter;
    EXPECT_TRUE(adapter.connected);
    EXPECT_EQ(adapter.ratedWatts, 70);
    EXPECT_NEAR(adapter.voltageVolts, 20.0, 1e-6);
    EXPECT_NEAR(adapter.inputWatts, 24.5 + 12.6 * 0.85, 0.01);
    EXPECT_NEAR(battery.systemLoadWatts, 24.5, 0.01);

    EXPECT_EQ(snapshot.state, ChargingState::charging);
    EXPECT_EQ(snapshot.stateReason, "充电中");
    EXPECT_EQ(snapshot.calibrationPhase, CalibrationPhase::inactive);
}

TEST_F(LaptopBatteryTest, StateFollowsTheAdapterAndTheCharging)
{
    BatteryMonitor monitor(clock());

    SharedSimmac::control({"unplug"});
    PowerSnapshot snapshot = monitor.read();
    EXPECT_FALSE(snapshot.battery.adapterConnected);
    EXPECT_FALSE(snapshot.adapter.connected);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 0);
    EXPECT_EQ(snapshot.adapter.inputWatts, 0.0);
    EXPECT_LT(snapshot.battery.currentAmps, 0.0);
    // On battery the computer's whole draw comes out of the battery.
    EXPECT_GT(snapshot.battery.systemLoadWatts, 20.0);
    EXPECT_NEAR(snapshot.battery.systemLoadWatts, -snapshot.battery.powerWatts, 1e-9);
    EXPECT_EQ(snapshot.state, ChargingState::onBattery);
    EXPECT_EQ(snapshot.stateReason, "使用电池");

    SharedSimmac::control({"plug"});
    SharedSimmac::control({"level", "100"});
    snapshot = monitor.read();
    EXPECT_TRUE(snapshot.battery.adapterConnected);
    EXPECT_FALSE(snapshot.battery.isCharging);
    EXPECT_TRUE(snapshot.battery.isFullyCharged);
    EXPECT_EQ(snapshot.battery.percentage, 100);
    EXPECT_EQ(snapshot.state, ChargingState::paused);
    EXPECT_EQ(snapshot.stateReason, "已暂停");
}

TEST_F(LaptopBatteryTest, BatterySMCValuesWinOverTheRegistryOnlyWithinTheirRange)
{
    BatteryMonitor monitor(clock());
    // The registry says 12600 mV and +850 mA throughout.
    const struct {
        std::uint16_t voltage;
        std::uint16_t current;
        double expectedVolts;
        double expectedAmps;
    } cases[] = {
        {12000, 0xFA24, 12.0, -1.5},     // both in range: the SMC's
        {15000, 0x2EE0, 15.0, 12.0},     // both at their upper bound
        {5000, 0xD120, 5.0, -12.0},      // both at their lower bound
        {4999, 0xD11F, 12.6, 0.85},      // both just outside: the registry's
        {15001, 0x2EE1, 12.6, 0.85},
    };
    for (const auto& c : cases) {
        SharedSimmac::control({"smc", "write", "B0AV", batteryKeyHex(c.voltage)});
        SharedSimmac::control({"smc", "write", "B0AC", batteryKeyHex(c.current)});
        const BatterySnapshot battery = monitor.read().battery;
        EXPECT_DOUBLE_EQ(battery.voltageVolts, c.expectedVolts) << c.voltage;
        EXPECT_DOUBLE_EQ(battery.currentAmps, c.expectedAmps) << c.current;
        EXPECT_DOUBLE_EQ(battery.powerWatts, c.expectedVolts * c.expectedAmps);
    }
}

TEST_F(LaptopBatteryTest, AdapterSMCReadingsWinEvenAtZero)
{
    BatteryMonitor monitor(clock());
    SharedSimmac::control({"smc", "write", "VD0R", "00000000"});
    const PowerSnapshot snapshot = monitor.read();
    EXPECT_EQ(snapshot.adapter.voltageVolts, 0.0);
    EXPECT_EQ(snapshot.adapter.inputWatts, 0.0);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 70);
    EXPECT_TRUE(snapshot.adapter.connected);
    // Nothing comes in, so the load is what flows out of the battery: none.
    EXPECT_EQ(snapshot.battery.systemLoadWatts, 0.0);
}

TEST_F(LaptopBatteryTest, TemperaturesOutsideZeroToEightyDegreesReadAsZero)
{
    BatteryMonitor monitor(clock());
    const struct {
        const char* celsius;
        double expected;
    } cases[] = {{"30.05", 30.05}, {"0.5", 0.5}, {"79.5", 79.5}, {"85", 0.0}, {"-3.15", 0.0}};
    for (const auto& c : cases) {
        SharedSimmac::control({"temperature", c.celsius});
        // The registry holds tenths of a kelvin.
        EXPECT_NEAR(monitor.read().battery.temperatureCelsius, c.expected, 0.051) << c.celsius;
    }
}

TEST_F(LaptopBatteryTest, CarriesTheSystemsLowPowerMode)
{
    BatteryMonitor monitor(clock());
    SharedSimmac::process().request("pm.setPowerMode", {{"source", "adapter"}, {"mode", 1}});
    EXPECT_TRUE(monitor.read().battery.lowPowerModeEnabled);
    // The setting for the other source does not count while on the adapter.
    SharedSimmac::process().request("pm.setPowerMode", {{"source", "adapter"}, {"mode", 0}});
    SharedSimmac::process().request("pm.setPowerMode", {{"source", "battery"}, {"mode", 1}});
    EXPECT_FALSE(monitor.read().battery.lowPowerModeEnabled);
}

TEST_F(LaptopBatteryTest, AsyncReadingResumesOnTheCallersThread)
{
    BatteryMonitor monitor(clock());
    const auto readOnce = [&monitor]() -> QCoro::Task<std::pair<PowerSnapshot, bool>> {
        QThread* const caller = QThread::currentThread();
        PowerSnapshot snapshot = co_await monitor.readAsync();
        co_return std::pair{std::move(snapshot), QThread::currentThread() == caller};
    };
    const auto [snapshot, onCallersThread] = QCoro::waitFor(readOnce());
    EXPECT_TRUE(onCallersThread);
    EXPECT_EQ(snapshot.battery.serialNumber, "F8Y3521K0QMQ");
    EXPECT_EQ(snapshot.state, ChargingState::charging);
}

TEST_F(LaptopBatteryTest, ARemovedBatteryIsConfirmedAbsent)
{
    BatteryMonitor monitor(clock());
    SharedSimmac::control({"battery", "remove"});
    EXPECT_FALSE(monitor.batteryPresent());
    EXPECT_TRUE(monitor.batteryAbsenceConfirmed());
    now += 10s;
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    EXPECT_TRUE(monitor.batteryAbsenceConfirmed());

    // The service it holds says so again as soon as the battery is back.
    SharedSimmac::control({"battery", "insert"});
    EXPECT_TRUE(monitor.batteryPresent());
    EXPECT_EQ(monitor.read().battery.maxCapacityMAh, 5480);
}

TEST_F(BatteryMonitorTest, ADesktopHasNoBatteryWithoutConfirmingAbsence)
{
    SharedSimmac::useModel("desktop");
    BatteryMonitor monitor(clock());
    EXPECT_FALSE(monitor.batteryPresent());
    EXPECT_FALSE(monitor.batteryAbsenceConfirmed());
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    EXPECT_EQ(monitor.read().stateReason, "未检测到内置电池");
}

TEST_F(BatteryMonitorTest, LooksForTheBatteryServiceAgainEveryTwoSeconds)
{
    SharedSimmac::useModel("desktop");
    BatteryMonitor monitor(clock());
    SharedSimmac::useModel("firmware-limit-laptop");

    // Not before two seconds have passed since it last looked.
    now += 1999ms;
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    EXPECT_FALSE(monitor.batteryPresent());
    now += 1ms;
    EXPECT_EQ(monitor.read().battery.serialNumber, "F8Y3521K0QMQ");
    EXPECT_TRUE(monitor.batteryPresent());

    // A service that vanished is looked for again, on the same terms.
    SharedSimmac::useModel("desktop");
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    now += 2s;
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    SharedSimmac::useModel("chte-laptop");
    now += 1s;
    EXPECT_EQ(monitor.read(), PowerSnapshot::noBattery());
    now += 1s;
    EXPECT_EQ(monitor.read().battery.serialNumber, "F5D2346J1KWN");
}

TEST_F(CapturedBatteryTest, AppleSiliconDumpOnTheAdapter)
{
    load("apple-silicon-on-adapter.txt");
    BatteryMonitor monitor(clock());
    const PowerSnapshot snapshot = monitor.read();
    const BatterySnapshot& battery = snapshot.battery;
    // "CurrentCapacity" is a percentage here; the mAh figures are the raw keys.
    EXPECT_EQ(battery.percentage, 83);
    EXPECT_EQ(battery.hardwarePercentage, 82);  // 4100 of 5000, truncated
    EXPECT_EQ(battery.currentCapacityMAh, 4100);
    EXPECT_EQ(battery.maxCapacityMAh, 5000);
    EXPECT_EQ(battery.designCapacityMAh, 6075);
    EXPECT_EQ(battery.macOSCapacityMAh, 5127);
    EXPECT_EQ(battery.cycleCount, 187);
    EXPECT_NEAR(battery.temperatureCelsius, 29.95, 1e-9);
    EXPECT_DOUBLE_EQ(battery.voltageVolts, 12.781);
    EXPECT_DOUBLE_EQ(battery.currentAmps, 2.14);
    EXPECT_TRUE(battery.isCharging);
    EXPECT_TRUE(battery.adapterConnected);
    EXPECT_EQ(battery.condition, "Normal");
    EXPECT_EQ(battery.serialNumber, "F8Y2341002RQ1Q5AS");
    EXPECT_TRUE(snapshot.adapter.connected);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 96);
    EXPECT_GT(snapshot.adapter.inputWatts, 0.0);
    EXPECT_EQ(snapshot.state, ChargingState::charging);
}

TEST_F(CapturedBatteryTest, IntelDumpDischargingWithAWrappedAmperage)
{
    load("intel-discharging.txt");
    BatteryMonitor monitor(clock());
    const PowerSnapshot snapshot = monitor.read();
    const BatterySnapshot& battery = snapshot.battery;
    // Capacities in mAh and no raw keys: the percentage is the power
    // source's, 3419 of 5103 mAh rounded.
    EXPECT_EQ(battery.percentage, 67);
    EXPECT_EQ(battery.hardwarePercentage, battery.percentage);
    EXPECT_EQ(battery.currentCapacityMAh, 0);
    EXPECT_EQ(battery.maxCapacityMAh, 5103);
    EXPECT_EQ(battery.designCapacityMAh, 6669);
    EXPECT_EQ(battery.macOSCapacityMAh, 5103);
    EXPECT_EQ(battery.cycleCount, 412);
    EXPECT_NEAR(battery.temperatureCelsius, 31.05, 1e-9);
    EXPECT_DOUBLE_EQ(battery.voltageVolts, 11.583);
    // 18446744073709550084 in the dump: -1532 mA.
    EXPECT_DOUBLE_EQ(battery.currentAmps, -1.532);
    EXPECT_DOUBLE_EQ(battery.powerWatts, 11.583 * -1.532);
    EXPECT_NEAR(battery.systemLoadWatts, 11.583 * 1.532, 1e-9);
    EXPECT_FALSE(battery.isCharging);
    EXPECT_FALSE(battery.adapterConnected);
    EXPECT_EQ(battery.condition, "Service Recommended");
    EXPECT_EQ(battery.serialNumber, "D865023X1MZF90NAH");
    EXPECT_FALSE(snapshot.adapter.connected);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 0);
    EXPECT_EQ(snapshot.adapter.inputWatts, 0.0);
    EXPECT_EQ(snapshot.state, ChargingState::onBattery);
    EXPECT_EQ(snapshot.stateReason, "使用电池");
}

