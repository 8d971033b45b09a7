#include "SimulatedMac.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velkora {
namespace {

using Model = nlohmann::ordered_json;

TEST(ProbeTests, MechanismsFollowTheModelAndTheSystemVersion)
{
    struct Case {
        std::string model;
        std::string osVersion;
        DeviceCapabilities capabilities;
        bool firmwareLimit;
        // The adapter key and the value that switches the adapter off.
        std::string adapterKey;
        std::string adapterOff;
    };
    const std::vector<Case> cases{
        {"firmware-limit-laptop", "15.4", {true, true, true, true, true}, true, "CHIE", "08"},
        {"firmware-limit-laptop", "26.1", {true, true, true, true, true}, true, "CHIE", "08"},
        {"legacy-laptop", "15.4", {true, true, true, true, false}, false, "CH0I", "01"},
        {"legacy-laptop", "26.0", {true, true, true, true, false}, false, "CH0I", "01"},
        {"chte-laptop", "15.4", {true, true, true, false, false}, false, "CH0I", "01"},
        {"chte-laptop", "26.0", {true, true, true, false, false}, false, "CHIE", "08"},
        {"desktop", "26.0", {}, false, "", ""},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.model + " on " + item.osVersion);
        SimulatedMac mac(item.model);
        mac.setOSVersion(item.osVersion);
        const auto controller = mac.makeController();

        EXPECT_EQ(controller->capabilities(), item.capabilities);
        EXPECT_EQ(controller->usesFirmwareChargeLimit(), item.firmwareLimit);
        if (item.adapterKey.empty()) {
            EXPECT_EQ(controller->readAdapterEnabled(), std::nullopt);
            EXPECT_EQ(controller->readChargingEnabled(), std::nullopt);
            continue;
        }
        EXPECT_EQ(controller->readAdapterEnabled(), true);
        controller->setAdapter(false);
        EXPECT_EQ(mac.key(item.adapterKey), item.adapterOff);
        EXPECT_EQ(controller->readAdapterEnabled(), false);
        controller->setAdapter(true);
        EXPECT_EQ(mac.key(item.adapterKey), "00");
    }
}

TEST(ProbeTests, AMacWithoutABatteryRefusesEveryControl)
{
    SimulatedMac mac("desktop");
    const auto controller = mac.makeController();
    struct Case {
        std::function<void()> operation;
        std::string message;
    };
    const std::vector<Case> cases{
        {[&] { controller->setCharging(false); }, "此机型不支持充电开关"},
        {[&] { controller->setAdapter(false); }, "此机型不支持主动放电"},
        {[&] { controller->setLED(MagSafeLEDMode::green); }, "未检测到可控制的 MagSafe LED"},
        {[&] { controller->ensureFirmwareChargeLimit(75, 80); }, "此机型未提供固件充电上限控制"},
    };
    for (const Case& item : cases) {
        try {
            item.operation();
            ADD_FAILURE() << "no failure for " << item.message;
        } catch (const HardwareError& error) {
            EXPECT_EQ(error.kind(), HardwareError::Kind::unsupported);
            EXPECT_EQ(error.errorDescription(), item.message);
        }
    }
    controller->restoreDefaults();
    controller->disableFirmwareChargeLimit();
}

TEST(ProbeTests, TheChargingMechanismNeedsEveryKeyOfItsFamily)
{
    struct Case {
        std::string name;
        std::string model;
        std::function<void(Model&)> edit;
        // The keys that read as inhibited afterwards; none: no mechanism.
        std::vector<std::pair<std::string, std::string>> inhibited;
    };
    const std::vector<Case> cases{
        {"two firmware keys and the legacy pair", "firmware-limit-laptop",
         [](Model& file) { SimulatedMac::removeKey(file, "bfE0"); },
         {{"CH0B", "02"}, {"CH0C", "02"}, {"CHTE", "00000000"}}},
        {"two firmware keys and CHTE", "firmware-limit-laptop",
         [](Model& file) {
             SimulatedMac::removeKey(file, "bfE0");
             SimulatedMac::removeKey(file, "CH0C");
         },
         {{"CH0B", "00"}, {"CHTE", "01000000"}}},
        {"CH0B alone", "legacy-laptop", [](Model& file) { SimulatedMac::removeKey(file, "CH0C"); }, {}},
        {"CH0C of size 0", "legacy-laptop", [](Model& file) { SimulatedMac::putKey(file, "CH0C", "ui8 ", ""); }, {}},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        SimulatedMac mac(item.model, item.edit);
        const auto controller = mac.makeController();
        EXPECT_FALSE(controller->usesFirmwareChargeLimit());
        EXPECT_EQ(controller->capabilities().chargingControl, !item.inhibited.empty());
        if (item.inhibited.empty()) {
            EXPECT_THROW(controller->setCharging(false), HardwareError);
            continue;
        }
        controller->setCharging(false);
        for (const auto& [key, value] : item.inhibited) {
            EXPECT_EQ(mac.key(key), value) << key;
        }
        EXPECT_EQ(controller->readChargingEnabled(), false);
    }
}

TEST(ProbeTests, SwitchPositionsAreReadFromTheHardware)
{
    struct Case {
        std::string model;
        std::vector<std::pair<std::string, std::string>> keys;
        std::optional<bool> charging;
        std::optional<bool> adapter;
    };
    const std::vector<Case> cases{
        {"legacy-laptop", {{"CH0B", "00"}, {"CH0C", "02"}}, false, true},
        {"legacy-laptop", {{"CH0B", "01"}, {"CH0I", "07"}}, false, false},
        {"chte-laptop", {{"CHTE", "00000001"}}, false, true},
        {"chte-laptop", {{"CHTE", "00000000"}, {"CH0I", "01"}}, true, false},
        {"firmware-limit-laptop", {{"CHIE", "01"}}, std::nullopt, false},
        {"firmware-limit-laptop", {{"CHIE", "08"}}, std::nullopt, false},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.model + " " + item.keys.front().first + "=" + item.keys.front().second);
        SimulatedMac mac(item.model);
        const auto controller = mac.makeController();
        for (const auto& [key, value] : item.keys) {
            mac.setKey(key, value);
        }
        EXPECT_EQ(controller->readChargingEnabled(), item.charging);
        EXPECT_EQ(controller->readAdapterEnabled(), item.adapter);
    }

    SimulatedMac shortKey("chte-laptop", [](Model& file) { SimulatedMac::putKey(file, "CHTE", "ui16", "0000"); });
    EXPECT_EQ(shortKey.makeController()->readChargingEnabled(), std::nullopt);
}

}  // namespace
}  // namespace velkora
