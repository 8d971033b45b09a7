#include "SimulatedMac.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

namespace velkora {
namespace {

using namespace std::chrono_literals;
using Model = nlohmann::ordered_json;

constexpr uid_t nobody = 65534;

// The error `operation` throws; a test failure when it throws none.
HardwareError failureOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const HardwareError& error) {
        return error;
    }
    ADD_FAILURE() << "no HardwareError";
    return HardwareError::unsupported("none");
}

TEST(ControlWriteTests, InhibitingOnALegacyMacWritesBothKeysInTurn)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();

    controller->setCharging(false);
    EXPECT_EQ(mac.key("CH0B"), "02");
    EXPECT_EQ(mac.key("CH0C"), "02");
    EXPECT_EQ(controller->readChargingEnabled(), false);

    controller->setCharging(true);
    EXPECT_EQ(mac.key("CH0B"), "00");
    EXPECT_EQ(mac.key("CH0C"), "00");
    EXPECT_EQ(controller->readChargingEnabled(), true);
    EXPECT_TRUE(mac.takePauses().empty());
}

TEST(ControlWriteTests, AnIgnoredSwitchIsReadThreeTimesAndNamedAndTheNextKeyIsLeftAlone)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    mac.setFault("CH0B", "ignore-writes");

    const HardwareError error = failureOf([&] { controller->setCharging(false); });
    EXPECT_EQ(error.kind(), HardwareError::Kind::commandFailed);
    EXPECT_EQ(error.errorDescription(), "SMC 写入未生效（CH0B）");
    EXPECT_EQ(mac.takePauses(), (std::vector<std::chrono::milliseconds>{40ms, 40ms}));
    EXPECT_EQ(mac.key("CH0C"), "00");
}

TEST(ControlWriteTests, ARefusedSecondKeyGivesTheWriteFailureAndLeavesTheFirstWritten)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    mac.setFault("CH0C", "refuse");

    const HardwareError error = failureOf([&] { controller->setCharging(false); });
    EXPECT_EQ(error.kind(), HardwareError::Kind::smcWriteFailed);
    EXPECT_EQ(error.errorDescription(), "无法写入 SMC 控制键 CH0C=02：控制键 CH0C 被固件拒绝（IOKit 0，SMC 134）");
    EXPECT_EQ(mac.key("CH0B"), "02");
    EXPECT_EQ(mac.key("CH0C"), "00");
}

TEST(ControlWriteTests, TheFourByteInhibitComparesOnlyItsFirstByte)
{
    SimulatedMac mac("chte-laptop");
    const auto controller = mac.makeController();

    controller->setCharging(false);
    EXPECT_EQ(mac.key("CHTE"), "01000000");
    controller->setCharging(true);
    EXPECT_EQ(mac.key("CHTE"), "00000000");

    // A firmware that keeps its own bits in the other three bytes.
    mac.setKey("CHTE", "01FFFFFF");
    mac.setFault("CHTE", "ignore-writes");
    controller->setCharging(false);
    EXPECT_TRUE(mac.takePauses().empty());
}

TEST(ControlWriteTests, ARefusedAdapterSwitchNamesKeyValueAndCause)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();
    mac.setFault("CH0I", "refuse");

    const HardwareError error = failureOf([&] { controller->setAdapter(false); });
    EXPECT_EQ(error.kind(), HardwareError::Kind::smcWriteFailed);
    EXPECT_EQ(error.errorDescription(), "无法写入 SMC 控制键 CH0I=01：控制键 CH0I 被固件拒绝（IOKit 0，SMC 134）");
}

TEST(ControlWriteTests, TheLEDIsWrittenButNotReadBack)
{
    SimulatedMac mac("legacy-laptop");
    const auto controller = mac.makeController();

    controller->setLED(MagSafeLEDMode::green);
    EXPECT_EQ(mac.key("ACLC"), "03");
    mac.setFault("ACLC", "ignore-writes");
    controller->setLED(MagSafeLEDMode::blinkOrangeFast);
    EXPECT_EQ(mac.key("ACLC"), "03");
    EXPECT_TRUE(mac.takePauses().empty());

    SimulatedMac withoutLED("chte-laptop");
    EXPECT_EQ(failureOf([&] { withoutLED.makeController()->setLED(MagSafeLEDMode::green); }).errorDescription(),
              "未检测到可控制的 MagSafe LED");
}

TEST(ControlWriteTests, TheFirmwareLimitIsSwitchedOffWhileItsBoundsChange)
{
    SimulatedMac mac("firmware-limit-laptop");
    const auto controller = mac.makeController();
    ASSERT_TRUE(controller->usesFirmwareChargeLimit());

    controller->ensureFirmwareChargeLimit(75, 80);
    EXPECT_EQ(mac.key("bfF0"), "02");
    EXPECT_EQ(mac.key("bfD0"), "50000000");
    EXPECT_EQ(mac.key("bfE0"), "4B000000");

    // Already in force: a refusing switch proves that nothing is written.
    mac.setFault("bfF0", "refuse");
    controller->ensureFirmwareChargeLimit(75, 80);
    mac.setFault("bfF0", "none");

    // A changed upper bound rewrites all four: off, upper, lower (ignored
    // here, so the sequence stops), and the final switch never comes.
    mac.setKey("bfD0", "55000000");
    mac.setFault("bfE0", "ignore-writes");
    mac.setKey("bfE0", "00000000");
    const HardwareError error = failureOf([&] { controller->ensureFirmwareChargeLimit(75, 80); });
    EXPECT_EQ(error.errorDescription(), "SMC 写入未生效（bfE0）");
    EXPECT_EQ(mac.key("bfF0"), "00");
    EXPECT_EQ(mac.key("bfD0"), "50000000");
    EXPECT_EQ(mac.key("bfE0"), "00000000");

    mac.setFault("bfE0", "none");
    controller->ensureFirmwareChargeLimit(75, 80);
    EXPECT_EQ(mac.key("bfE0"), "4B000000");
    EXPECT_EQ(mac.key("bfF0"), "02");
    EXPECT_TRUE(mac.takePauses().empty());
}

TEST(ControlWriteTests, AFirmwareLimitSwitchedOffOrToAnotherValueIsWrittenAgainWithItsBounds)
{
    SimulatedMac mac("firmware-limit-laptop");
    const auto controller = mac.makeController();
    controller->ensureFirmwareChargeLimit(55, 60);
    for (const std::string switchValue : {"00", "01", "FF"}) {
        mac.setKey("bfF0", switchValue);
        // The bounds are right; only the switch is not: all four are written
        // again, and a refused upper bound shows that they are.
        mac.setFault("bfD0", "refuse");
        const HardwareError refused = failureOf([&] { controller->ensureFirmwareChargeLimit(55, 60); });
        EXPECT_NE(refused.errorDescription().find("bfD0"), std::string::npos) << switchValue;
        mac.setFault("bfD0", "none");
        controller->ensureFirmwareChargeLimit(55, 60);
        EXPECT_EQ(mac.key("bfF0"), "02") << switchValue;
        EXPECT_EQ(mac.key("bfD0"), "3C000000");
        EXPECT_EQ(mac.key("bfE0"), "37000000");
    }
}

TEST(ControlWriteTests, BadFirmwareBoundsAreRefusedBeforeAnythingIsTouched)
{
    SimulatedMac mac("firmware-limit-laptop");
    const auto controller = mac.makeController();
    struct Case {
        int lower;
        int upper;
        std::string message;
    };
    for (const Case& item : std::vector<Case>{{80, 80, "无效的固件充电区间：80%–80%"},
                                              {-1, 50, "无效的固件充电区间：-1%–50%"},
                                              {10, 101, "无效的固件充电区间：10%–101%"}}) {
        const HardwareError error = failureOf([&] { controller->ensureFirmwareChargeLimit(item.lower, item.upper); });
        EXPECT_EQ(error.kind(), HardwareError::Kind::commandFailed);
        EXPECT_EQ(error.errorDescription(), item.message);
    }
    EXPECT_EQ(mac.key("bfF0"), "00");
    EXPECT_EQ(mac.key("bfD0"), "64000000");
    EXPECT_EQ(mac.key("bfE0"), "5F000000");
    controller->ensureFirmwareChargeLimit(0, 100);
    EXPECT_EQ(mac.key("bfF0"), "02");

    SimulatedMac legacy("legacy-laptop");
    EXPECT_EQ(failureOf([&] { legacy.makeController()->ensureFirmwareChargeLimit(80, 80); }).errorDescription(),
              "此机型未提供固件充电上限控制");
}

TEST(ControlWriteTests, ChargingOnAFirmwareLimitMacIsOnlyEverAllowed)
{
    SimulatedMac mac("firmware-limit-laptop");
    const auto controller = mac.makeController();

    // Already off: nothing is written, so a refusing key does not matter.
    mac.setFault("bfF0", "refuse");
    controller->setCharging(true);
    controller->disableFirmwareChargeLimit();
    mac.setFault("bfF0", "none");

    mac.setKey("bfF0", "02");
    controller->setCharging(true);
    EXPECT_EQ(mac.key("bfF0"), "00");
    EXPECT_EQ(mac.key("bfD0"), "64000000");

    const HardwareError error = failureOf([&] { controller->setCharging(false); });
    EXPECT_EQ(error.kind(), HardwareError::Kind::unsupported);
    EXPECT_EQ(error.errorDescription(), "新固件需要通过充电上限控制，而不是直接切换充电");
    EXPECT_EQ(controller->readChargingEnabled(), std::nullopt);
    // The inhibit keys this Mac also has are never touched.
    EXPECT_EQ(mac.key("CH0B"), "00");
    EXPECT_EQ(mac.key("CHTE"), "00000000");
}

TEST(ControlWriteTests, ValuesAreEncodedByTheTypeTheKeyReports)
{
    struct Case {
        std::string type;
        std::string initial;
        // The key's bytes after switching the adapter off, or the error.
        std::string written;
        std::string error;
    };
    const std::vector<Case> cases{
        {"ui8 ", "00", "01", ""},
        {"si8 ", "00", "01", ""},
        {"flag", "00", "01", ""},
        {"hex_", "00", "01", ""},
        {"ui16", "0000", "0000", "SMC 控制键 CH0I（ui16）需要 2 字节，实际为 1 字节"},
        {"flt ", "00", "00", "暂不支持 SMC 控制键 CH0I 的数据类型 flt （1 字节）"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.type);
        SimulatedMac mac("legacy-laptop", [&](Model& file) {
            SimulatedMac::putKey(file, "CH0I", item.type, item.initial);
        });
        const auto controller = mac.makeController();
        if (item.error.empty()) {
            controller->setAdapter(false);
        } else {
            EXPECT_EQ(failureOf([&] { controller->setAdapter(false); }).errorDescription(), item.error);
        }
        EXPECT_EQ(mac.key("CH0I"), item.written);
    }
}

TEST(ControlWriteTests, RestoringDefaultsAllowsChargingEvenWithoutAdapterOrLED)
{
    SimulatedMac bare("chte-laptop", [](Model& file) {
        SimulatedMac::removeKey(file, "CH0I");
        SimulatedMac::removeKey(file, "CHIE");
    });
    bare.setKey("CHTE", "01000000");
    bare.makeController()->restoreDefaults();
    EXPECT_EQ(bare.key("CHTE"), "00000000");

    SimulatedMac legacy("legacy-laptop");
    const auto controller = legacy.makeController();
    controller->setCharging(false);
    controller->setAdapter(false);
    controller->setLED(MagSafeLEDMode::orange);
    legacy.setFault("CH0I", "refuse");
    controller->restoreDefaults();
    EXPECT_EQ(legacy.key("CH0I"), "01");
    EXPECT_EQ(legacy.key("CH0B"), "00");
    EXPECT_EQ(legacy.key("CH0C"), "00");
    EXPECT_EQ(legacy.key("ACLC"), "00");
}

TEST(ControlWriteTests, WithoutRootTheFirstWriteFailsForLackOfPrivilege)
{
    SimulatedMac mac("legacy-laptop");
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(100);
        }
        try {
            smckit::SMCKit smc;
            HardwareController controller(smc, [](std::chrono::milliseconds) {});
            if (!controller.capabilities().chargingControl) {
                _exit(101);
            }
            controller.setCharging(false);
            _exit(102);
        } catch (const HardwareError& error) {
            _exit(error.errorDescription() == "无法写入 SMC 控制键 CH0B=02：后台服务没有 SMC 写入权限" ? 0 : 103);
        } catch (...) {
            _exit(104);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(mac.key("CH0B"), "00");
}

}  // namespace
}  // namespace velkora
