#include "SimulatedMac.h"

#include <VelkoraCore/SMCIntegerByteOrder.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace velkora {
namespace {

using Model = nlohmann::ordered_json;

// A two-byte battery value as the simulated Mac's SMC delivers it.
std::string smcInteger16(int value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    char text[5];
    const unsigned first = currentSMCIntegerByteOrder == SMCIntegerByteOrder::big ? bits >> 8 : bits & 0xFF;
    const unsigned second = currentSMCIntegerByteOrder == SMCIntegerByteOrder::big ? bits & 0xFF : bits >> 8;
    std::snprintf(text, sizeof text, "%02X%02X", first, second);
    return text;
}

// A 4-byte float key's bytes, least significant first.
std::string smcFloat(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char text[9];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF,
                  bits >> 24);
    return text;
}

// The simulated Mac with its physics stopped, so that every reading holds
// still while it is compared.
void freeze(SimulatedMac& mac)
{
    mac.control({"speed", "0"});
}

TEST(SnapshotTests, BatteryValuesComeFromThePowerSourceTheRegistryAndTheSMC)
{
    SimulatedMac mac("firmware-limit-laptop");
    freeze(mac);
    const auto controller = mac.makeController();

    // 82.9 % of 5480 mAh: the system shows 83 %, the raw capacities give 82 %.
    mac.control({"level", "82.9"});
    mac.control({"unplug"});
    mac.setKey("B0AV", smcInteger16(12600));
    mac.setKey("B0AC", smcInteger16(-1500));
    const nlohmann::json battery = mac.status()["battery"];

    const PowerSnapshot snapshot = controller->readSnapshot();
    const BatterySnapshot& reading = snapshot.battery;
    EXPECT_EQ(reading.percentage, 83);
    EXPECT_EQ(reading.hardwarePercentage, 82);
    EXPECT_FALSE(reading.isCharging);
    EXPECT_FALSE(reading.isFullyCharged);
    EXPECT_FALSE(reading.adapterConnected);
    EXPECT_DOUBLE_EQ(reading.voltageVolts, 12.6);
    EXPECT_DOUBLE_EQ(reading.currentAmps, -1.5);
    EXPECT_NEAR(reading.powerWatts, -18.9, 1e-9);
    // Unplugged: everything the battery gives is the system's load.
    EXPECT_NEAR(reading.systemLoadWatts, 18.9, 1e-9);
    EXPECT_EQ(reading.currentCapacityMAh, battery["chargeMAh"].get<std::int64_t>());
    EXPECT_EQ(reading.maxCapacityMAh, 5480);
    EXPECT_EQ(reading.designCapacityMAh, 6075);
    EXPECT_EQ(reading.macOSCapacityMAh, 5480);
    EXPECT_EQ(reading.cycleCount, 212);
    EXPECT_EQ(reading.condition, "Normal");
    EXPECT_EQ(reading.serialNumber, "F8Y3521K0QMQ");
    EXPECT_FALSE(reading.lowPowerModeEnabled);
    EXPECT_NEAR(reading.temperatureCelsius, 30.5, 0.051);
    EXPECT_EQ(snapshot.adapter, (AdapterSnapshot{false, 0.0, 0.0, 0.0, 0}));
    EXPECT_EQ(snapshot.state, ChargingState::paused);
    EXPECT_EQ(snapshot.stateReason, "");
    EXPECT_EQ(snapshot.calibrationPhase, CalibrationPhase::inactive);
}

TEST(SnapshotTests, TheSystemLoadIsTheAdapterInputLessWhatTheBatteryTakes)
{
    SimulatedMac mac("firmware-limit-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    mac.setKey("VD0R", smcFloat(20.0f));
    mac.setKey("ID0R", smcFloat(3.0f));
    struct Case {
        int millivolts;
        int milliamps;
        double load;
    };
    // +20 W and +70 W into the battery from a 60 W input.
    for (const Case& item : std::vector<Case>{{12500, 1600, 40.0}, {10000, 7000, 0.0}}) {
        mac.setKey("B0AV", smcInteger16(item.millivolts));
        mac.setKey("B0AC", smcInteger16(item.milliamps));
        const PowerSnapshot snapshot = controller->readSnapshot();
        EXPECT_NEAR(snapshot.battery.systemLoadWatts, item.load, 1e-9);
        EXPECT_TRUE(snapshot.battery.adapterConnected);
        EXPECT_EQ(snapshot.adapter, (AdapterSnapshot{true, 20.0, 3.0, 60.0, 70}));
    }
}

TEST(SnapshotTests, SMCValuesOutOfRangeFallBackToTheRegistry)
{
    SimulatedMac mac("firmware-limit-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    mac.setKey("B0AV", smcInteger16(4999));
    mac.setKey("B0AC", smcInteger16(-12001));
    const nlohmann::json battery = mac.status()["battery"];

    const BatterySnapshot reading = controller->readSnapshot().battery;
    EXPECT_DOUBLE_EQ(reading.voltageVolts, battery["voltageMV"].get<double>() / 1000.0);
    EXPECT_DOUBLE_EQ(reading.currentAmps, battery["currentMA"].get<double>() / 1000.0);
}

TEST(SnapshotTests, MissingKeysAndPropertiesFallBackOrDefault)
{
    SimulatedMac mac("firmware-limit-laptop", [](Model& file) {
        for (const char* key : {"B0AV", "B0AC", "VD0R", "ID0R"}) {
            SimulatedMac::removeKey(file, key);
        }
        file["battery"]["properties"].erase("BatteryHealth");
        file["battery"]["properties"].erase("BatterySerialNumber");
        file["adapter"]["watts"] = 96;
    });
    freeze(mac);
    const auto controller = mac.makeController();
    const nlohmann::json battery = mac.status()["battery"];

    const PowerSnapshot snapshot = controller->readSnapshot();
    EXPECT_DOUBLE_EQ(snapshot.battery.voltageVolts, battery["voltageMV"].get<double>() / 1000.0);
    EXPECT_DOUBLE_EQ(snapshot.battery.currentAmps, battery["currentMA"].get<double>() / 1000.0);
    EXPECT_EQ(snapshot.battery.condition, "Normal");
    EXPECT_EQ(snapshot.battery.serialNumber, "");
    // "AdapterDetails": 20000 mV and 96 W / 20 V = 4800 mA.
    EXPECT_DOUBLE_EQ(snapshot.adapter.voltageVolts, 20.0);
    EXPECT_DOUBLE_EQ(snapshot.adapter.currentAmps, 4.8);
    EXPECT_DOUBLE_EQ(snapshot.adapter.inputWatts, 96.0);
    EXPECT_EQ(snapshot.adapter.ratedWatts, 96);
}

TEST(SnapshotTests, WithoutRawCapacitiesTheHardwarePercentageIsTheSystems)
{
    // This model's registry counts in mAh, without the raw keys.
    SimulatedMac mac("legacy-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    mac.control({"level", "63"});

    const BatterySnapshot reading = controller->readSnapshot().battery;
    EXPECT_EQ(reading.percentage, 63);
    EXPECT_EQ(reading.hardwarePercentage, 63);
    EXPECT_EQ(reading.currentCapacityMAh, 0);
    EXPECT_EQ(reading.maxCapacityMAh, 5480);
    EXPECT_EQ(reading.macOSCapacityMAh, 5480);
}

TEST(SnapshotTests, TemperaturesOutsideZeroToEightyDegreesAreNoReading)
{
    SimulatedMac mac("chte-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    struct Case {
        std::string celsius;
        double reported;
    };
    // In tenths of a kelvin: 3031, 3600, 2700.
    for (const Case& item : std::vector<Case>{{"29.95", 29.95}, {"86.85", 0.0}, {"-3.15", 0.0}}) {
        mac.control({"temperature", item.celsius});
        EXPECT_NEAR(controller->readSnapshot().battery.temperatureCelsius, item.reported, 1e-9) << item.celsius;
    }
}

TEST(SnapshotTests, TimeRemainingIsReportedOnlyOnceTheSystemHasAnEstimate)
{
    SimulatedMac mac("chte-laptop");
    const auto controller = mac.makeController();
    mac.control({"unplug"});
    freeze(mac);
    EXPECT_EQ(controller->readSnapshot().battery.timeRemainingMinutes, std::nullopt);

    // Some simulated time settles the estimate ("B0TE" 0xFFFF: none yet).
    mac.control({"speed", "1000"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (mac.key("B0TE") == "FFFF" && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    freeze(mac);
    const std::string minutesToEmpty = mac.key("B0TE");
    const int expected = std::stoi(currentSMCIntegerByteOrder == SMCIntegerByteOrder::big
                                       ? minutesToEmpty
                                       : minutesToEmpty.substr(2) + minutesToEmpty.substr(0, 2),
                                   nullptr, 16);
    ASSERT_GT(expected, 0);
    ASSERT_LE(expected, 9999);
    EXPECT_EQ(controller->readSnapshot().battery.timeRemainingMinutes, expected);
}

TEST(SnapshotTests, AFullBatteryOnTheAdapterSaysSoAndHasNoTimeRemaining)
{
    SimulatedMac mac("firmware-limit-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    mac.control({"level", "100"});
    const BatterySnapshot full = controller->readSnapshot().battery;
    EXPECT_TRUE(full.isFullyCharged);
    EXPECT_FALSE(full.isCharging);
    // Not charging, so "Time to Empty" counts, and on the adapter it is 0.
    EXPECT_EQ(full.timeRemainingMinutes, std::nullopt);

    mac.control({"level", "99"});
    EXPECT_FALSE(controller->readSnapshot().battery.isFullyCharged);
}

TEST(SnapshotTests, AnAdapterReadingWithNegativePowerCountsAsNoInput)
{
    SimulatedMac mac("firmware-limit-laptop");
    freeze(mac);
    const auto controller = mac.makeController();
    mac.setKey("VD0R", smcFloat(20.0f));
    mac.setKey("ID0R", smcFloat(-3.0f));
    mac.setKey("B0AV", smcInteger16(12500));
    mac.setKey("B0AC", smcInteger16(-1600));
    const PowerSnapshot snapshot = controller->readSnapshot();
    EXPECT_DOUBLE_EQ(snapshot.adapter.currentAmps, -3.0) << "taken as it comes";
    EXPECT_DOUBLE_EQ(snapshot.adapter.inputWatts, 0.0);
    // The battery's 20 W is all the system draws; the adapter adds nothing.
    EXPECT_NEAR(snapshot.battery.systemLoadWatts, 20.0, 1e-9);
}

TEST(SnapshotTests, ARemovedBatteryReadsAsNoBatteryUntilItIsBack)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    ASSERT_TRUE(controller->capabilities().batteryPresent);

    mac.control({"battery", "remove"});
    EXPECT_EQ(controller->readSnapshot(), PowerSnapshot::noBattery());
    controller->refreshCapabilities();
    EXPECT_EQ(controller->capabilities(), DeviceCapabilities{});

    mac.control({"battery", "insert"});
    EXPECT_NE(controller->readSnapshot(), PowerSnapshot::noBattery());
    controller->refreshCapabilities();
    EXPECT_TRUE(controller->capabilities().chargingControl);

    SimulatedMac desktop("desktop");
    EXPECT_EQ(desktop.makeController()->readSnapshot(), PowerSnapshot::noBattery());
}

}  // namespace
}  // namespace velkora
