#include <VelkoraCore/IPC.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace velkora;
using namespace std::chrono;

namespace {

std::vector<std::uint8_t> bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::string text(const std::vector<std::uint8_t>& data)
{
    return {data.begin(), data.end()};
}

template <typename T>
T decodeText(std::string_view json)
{
    return IPC::decode<T>(bytes(json));
}

system_clock::time_point millisecondsSince1970(std::int64_t milliseconds)
{
    return system_clock::time_point(duration_cast<system_clock::duration>(std::chrono::milliseconds(milliseconds)));
}

BatterySnapshot sampleBattery()
{
    return BatterySnapshot{
        .timestamp = millisecondsSince1970(1'700'000'000'123) + microseconds(456),
        .percentage = 76,
        .hardwarePercentage = 74,
        .isCharging = false,
        .isFullyCharged = false,
        .adapterConnected = true,
        .timeRemainingMinutes = 212,
        .temperatureCelsius = 31.25,
        .voltageVolts = 12.596,
        .currentAmps = -1.5,
        .powerWatts = -18.894,
        .systemLoadWatts = 18.894,
        .currentCapacityMAh = 3810,
        .maxCapacityMAh = 4998,
        .designCapacityMAh = 5103,
        .macOSCapacityMAh = 4890,
        .cycleCount = 123,
        .condition = "Normal",
        .serialNumber = "F8Y2471045XK",
        .lowPowerModeEnabled = true,
    };
}

PowerSnapshot samplePowerSnapshot()
{
    return PowerSnapshot{
        .battery = sampleBattery(),
        .adapter = AdapterSnapshot{.connected = true, .voltageVolts = 20.1, .currentAmps = 2.9, .inputWatts = 58.3, .ratedWatts = 96},
        .state = ChargingState::sailing,
        .stateReason = "航海区间 75%–80%",
        .calibrationPhase = CalibrationPhase::holdingFull,
    };
}

const std::string policyJSON =
    R"({"managementEnabled":true,"chargeLimit":80,"automaticDischarge":false,"sailingEnabled":true,)"
    R"("sailingDelta":5,"heatProtectionEnabled":false,"heatLimitCelsius":40,"useHardwarePercentage":false,)"
    R"("preserveWhenAppClosed":true,"stopChargingBeforeSleep":true,"preventSleepUntilLimit":false,"manageMagSafeLED":true})";

}  // namespace

// The documents both programs exchange, byte for byte, in both directions.
TEST(IPCTest, CommandsHaveTheirExactDocuments)
{
    ChargePolicy managed;
    managed.managementEnabled = true;
    const std::vector<std::pair<ControlCommand, std::string>> cases = {
        {ControlCommand::setPolicy(managed), R"({"setPolicy":{"_0":)" + policyJSON + "}}"},
        {ControlCommand::topUp(), R"({"topUp":{}})"},
        {ControlCommand::cancelTopUp(), R"({"cancelTopUp":{}})"},
        {ControlCommand::forceDischarge(true), R"({"forceDischarge":{"_0":true}})"},
        {ControlCommand::forceDischarge(false), R"({"forceDischarge":{"_0":false}})"},
        {ControlCommand::pauseAtCurrentLevel(), R"({"pauseAtCurrentLevel":{}})"},
        {ControlCommand::setMagSafeLED(MagSafeLEDMode::green), R"({"setMagSafeLED":{"_0":3}})"},
        {ControlCommand::setPowerMode(PowerSourceKind::battery, PowerMode::low),
         R"({"setPowerMode":{"source":"battery","mode":1}})"},
        {ControlCommand::startCalibration(), R"({"startCalibration":{}})"},
        {ControlCommand::cancelCalibration(), R"({"cancelCalibration":{}})"},
        {ControlCommand::restoreDefaults(), R"({"restoreDefaults":{}})"},
    };
    for (const auto& [command, json] : cases) {
        SCOPED_TRACE(json);
        EXPECT_EQ(text(IPC::encode(command)), json);
        EXPECT_EQ(decodeText<ControlCommand>(json), command);
    }
}

TEST(IPCTest, HealthWithoutFailureHasItsExactDocument)
{
    const auto health = DaemonHealth::make(10, "unknown", "unknown", std::string(IPC::machServiceName),
                                           std::string(IPC::parentBundleIdentifier), true);
    const std::string json =
        R"({"identity":{"protocolVersion":10,"helperBuild":"unknown","appVersion":"unknown",)"
        R"("serviceName":"com.velkora.charging-helper","parentBundleIdentifier":"com.velkora.app"},"hardwareAvailable":true})";
    EXPECT_EQ(text(IPC::encode(health)), json);
    EXPECT_EQ(decodeText<DaemonHealth>(json), health);
}

TEST(IPCTest, EveryTypeSurvivesARoundTrip)
{
    auto roundTrip = [](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        EXPECT_EQ(IPC::decode<T>(IPC::encode(value)), value) << text(IPC::encode(value));
    };
    roundTrip(samplePowerSnapshot());
    roundTrip(PowerSnapshot::noBattery());
    roundTrip(sampleBattery());
    roundTrip(AdapterSnapshot{.connected = false, .voltageVolts = 0, .currentAmps = 0, .inputWatts = 0, .ratedWatts = 0});
    roundTrip(DeviceCapabilities{.batteryPresent = true, .chargingControl = true, .forceDischarge = false, .magSafeLED = true, .highPowerMode = false});
    roundTrip(ChargePolicy{.managementEnabled = true, .chargeLimit = 5, .automaticDischarge = true, .sailingEnabled = false,
                           .sailingDelta = 0, .heatProtectionEnabled = true, .heatLimitCelsius = 99,
                           .useHardwarePercentage = true, .preserveWhenAppClosed = false,
                           .stopChargingBeforeSleep = false, .preventSleepUntilLimit = true, .manageMagSafeLED = false});
    roundTrip(DaemonHealth::make(9, "202401011200", "1.0.0", "x", "y", false, "SMC 无法打开"));
    roundTrip(HelperBuildIdentity{.protocolVersion = 10, .helperBuild = "b", .appVersion = "a", .serviceName = "s", .parentBundleIdentifier = "p"});
    for (const auto code : allDaemonFailureCodes) {
        roundTrip(DaemonFailureReason{.code = code, .message = "失败"});
    }
    for (const auto state : allChargingStates) {
        auto snapshot = samplePowerSnapshot();
        snapshot.state = state;
        roundTrip(snapshot);
    }
    for (const auto phase : allCalibrationPhases) {
        auto snapshot = samplePowerSnapshot();
        snapshot.calibrationPhase = phase;
        roundTrip(snapshot);
    }
    for (const auto mode : allMagSafeLEDModes) {
        roundTrip(ControlCommand::setMagSafeLED(mode));
    }
    for (const auto source : allPowerSourceKinds) {
        for (const auto mode : allPowerModes) {
            roundTrip(ControlCommand::setPowerMode(source, mode));
        }
    }
}

TEST(IPCTest, DatesAreMillisecondsSince1970WithTheFractionKept)
{
    auto battery = sampleBattery();
    battery.timestamp = system_clock::time_point(duration_cast<system_clock::duration>(milliseconds(1500)));
    const std::string json = text(IPC::encode(battery));
    EXPECT_NE(json.find(R"("timestamp":1500,)"), std::string::npos) << json;

    battery.timestamp = millisecondsSince1970(1000);
    EXPECT_NE(text(IPC::encode(battery)).find(R"("timestamp":1000,)"), std::string::npos);

    battery.timestamp = millisecondsSince1970(1000) + microseconds(250);
    EXPECT_NE(text(IPC::encode(battery)).find(R"("timestamp":1000.25,)"), std::string::npos);

    // A double holds present-day times to a fraction of a microsecond; reading
    // keeps whole microseconds.
    battery.timestamp = millisecondsSince1970(1'700'000'000'123) + nanoseconds(456'789);
    EXPECT_EQ(IPC::decode<BatterySnapshot>(IPC::encode(battery)).timestamp,
              millisecondsSince1970(1'700'000'000'123) + microseconds(457));

    nlohmann::ordered_json document = nlohmann::ordered_json::parse(IPC::encode(sampleBattery()));
    for (const auto& [number, expected] : std::vector<std::pair<nlohmann::ordered_json, system_clock::time_point>>{
             {1500, millisecondsSince1970(1500)},
             {1500.5, millisecondsSince1970(1500) + microseconds(500)},
             {-1500.5, millisecondsSince1970(-1500) - microseconds(500)},
             {1'700'000'000'123.5, millisecondsSince1970(1'700'000'000'123) + microseconds(500)},
         }) {
        document["timestamp"] = number;
        EXPECT_EQ(decodeText<BatterySnapshot>(document.dump()).timestamp, expected) << number;
    }
}

TEST(IPCTest, OptionalMembersAreLeftOutAndReadAsAbsentWhenMissingOrNull)
{
    auto battery = sampleBattery();
    battery.timeRemainingMinutes.reset();
    const std::string json = text(IPC::encode(battery));
    EXPECT_EQ(json.find("timeRemainingMinutes"), std::string::npos);
    EXPECT_EQ(decodeText<BatterySnapshot>(json).timeRemainingMinutes, std::nullopt);

    auto document = nlohmann::ordered_json::parse(json);
    document["timeRemainingMinutes"] = nullptr;
    EXPECT_EQ(decodeText<BatterySnapshot>(document.dump()).timeRemainingMinutes, std::nullopt);

    const std::string withNullFailure =
        R"({"identity":{"protocolVersion":10,"helperBuild":"","appVersion":"","serviceName":"","parentBundleIdentifier":""},)"
        R"("hardwareAvailable":false,"failure":null})";
    EXPECT_EQ(decodeText<DaemonHealth>(withNullFailure).failure, std::nullopt);
}

TEST(IPCTest, UnknownMembersAreIgnoredAtEveryLevel)
{
    auto document = nlohmann::ordered_json::parse(IPC::encode(samplePowerSnapshot()));
    document["future"] = {{"nested", {1, 2, 3}}};
    document["battery"]["extra"] = "x";
    document["adapter"]["extra"] = nullptr;
    EXPECT_EQ(decodeText<PowerSnapshot>(document.dump()), samplePowerSnapshot());

    EXPECT_EQ(decodeText<ControlCommand>(R"({"topUp":{},"note":1})"), ControlCommand::topUp());
    EXPECT_EQ(decodeText<ControlCommand>(R"({"topUp":{"x":1}})"), ControlCommand::topUp());
    EXPECT_EQ(decodeText<ControlCommand>(R"({"forceDischarge":{"_0":true,"_1":false}})"),
              ControlCommand::forceDischarge(true));
}

TEST(IPCTest, ReadingAppliesNoDefaultsAndNoRangeChecks)
{
    auto document = nlohmann::ordered_json::parse(policyJSON);
    document["chargeLimit"] = 5;
    EXPECT_EQ(decodeText<ChargePolicy>(document.dump()).chargeLimit, 5);
    document["chargeLimit"] = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(decodeText<ChargePolicy>(document.dump()).chargeLimit, std::numeric_limits<std::int64_t>::min());
}

struct DecodingFailure {
    std::string name;
    std::function<void()> decode;
    DecodingError::Kind kind;
    std::string description;  // what() exactly, or empty for "any"
};

TEST(IPCTest, MalformedDocumentsFailWithTheKindAndPathOfTheFault)
{
    using Kind = DecodingError::Kind;
    auto snapshotWith = [](const std::function<void(nlohmann::ordered_json&)>& change) {
        auto document = nlohmann::ordered_json::parse(IPC::encode(samplePowerSnapshot()));
        change(document);
        return document.dump();
    };
    auto policyWithout = [](const std::string& key) {
        auto document = nlohmann::ordered_json::parse(policyJSON);
        document.erase(key);
        return document.dump();
    };
    auto policyWith = [](const std::string& key, const nlohmann::ordered_json& value) {
        auto document = nlohmann::ordered_json::parse(policyJSON);
        document[key] = value;
        return document.dump();
    };
    const std::string invalidKeys = "Invalid number of keys found, expected one.";
    auto command = [](std::string json) { return [json] { decodeText<ControlCommand>(json); }; };
    auto snapshot = [](std::string json) { return [json] { decodeText<PowerSnapshot>(json); }; };
    auto policy = [](std::string json) { return [json] { decodeText<ChargePolicy>(json); }; };

    const std::vector<DecodingFailure> failures = {
        {"no case", command("{}"), Kind::typeMismatch, invalidKeys},
        {"two cases", command(R"({"topUp":{},"cancelTopUp":{}})"), Kind::typeMismatch, invalidKeys},
        {"wrong case", command(R"({"TopUp":{}})"), Kind::typeMismatch, invalidKeys},
        {"null case", command(R"({"topUp":null})"), Kind::typeMismatch, ""},
        {"boolean case", command(R"({"topUp":true})"), Kind::typeMismatch, ""},
        {"array document", command("[]"), Kind::typeMismatch, ""},
        {"LED 2", command(R"({"setMagSafeLED":{"_0":2}})"), Kind::dataCorrupted,
         "setMagSafeLED._0: Cannot initialize MagSafeLEDMode from invalid integer value 2."},
        {"LED 5", command(R"({"setMagSafeLED":{"_0":5}})"), Kind::dataCorrupted, ""},
        {"power mode 3", command(R"({"setPowerMode":{"source":"battery","mode":3}})"), Kind::dataCorrupted, ""},
        {"capital source", command(R"({"setPowerMode":{"source":"Battery","mode":1}})"), Kind::dataCorrupted,
         "setPowerMode.source: Cannot initialize PowerSourceKind from invalid string value \"Battery\"."},
        {"missing mode", command(R"({"setPowerMode":{"source":"battery"}})"), Kind::keyNotFound,
         "setPowerMode.mode: Required member is missing."},
        {"number as boolean", command(R"({"forceDischarge":{"_0":1}})"), Kind::typeMismatch,
         "forceDischarge._0: Expected a boolean but found a number."},
        {"missing payload", command(R"({"setPolicy":{}})"), Kind::keyNotFound, ""},
        {"policy lacks a key", command(R"({"setPolicy":{"_0":{"chargeLimit":80}}})"), Kind::keyNotFound,
         "setPolicy._0.managementEnabled: Required member is missing."},
        {"policy without manageMagSafeLED", policy(policyWithout("manageMagSafeLED")), Kind::keyNotFound, ""},
        {"policy without chargeLimit", policy(policyWithout("chargeLimit")), Kind::keyNotFound, ""},
        {"limit with a fraction", policy(policyWith("chargeLimit", 80.0)), Kind::typeMismatch,
         "chargeLimit: Expected an integer but found a number with a fraction or exponent."},
        {"limit as string", policy(policyWith("chargeLimit", "80")), Kind::typeMismatch,
         "chargeLimit: Expected an integer but found a string."},
        {"state Charging", snapshot(snapshotWith([](auto& d) { d["state"] = "Charging"; })), Kind::dataCorrupted,
         "state: Cannot initialize ChargingState from invalid string value \"Charging\"."},
        {"no phase", snapshot(snapshotWith([](auto& d) { d.erase("calibrationPhase"); })), Kind::keyNotFound, ""},
        {"no serial", snapshot(snapshotWith([](auto& d) { d["battery"].erase("serialNumber"); })), Kind::keyNotFound,
         "battery.serialNumber: Required member is missing."},
        {"null condition", snapshot(snapshotWith([](auto& d) { d["battery"]["condition"] = nullptr; })),
         Kind::valueNotFound, "battery.condition: Required member is null."},
        {"string time remaining", snapshot(snapshotWith([](auto& d) { d["battery"]["timeRemainingMinutes"] = "5"; })),
         Kind::typeMismatch, ""},
        {"fractional percentage", snapshot(snapshotWith([](auto& d) { d["battery"]["percentage"] = 80.5; })),
         Kind::typeMismatch, ""},
        {"integer beyond 64 bits",
         snapshot(snapshotWith([](auto& d) { d["adapter"]["ratedWatts"] = std::numeric_limits<std::uint64_t>::max(); })),
         Kind::dataCorrupted, ""},
        {"string temperature", snapshot(snapshotWith([](auto& d) { d["battery"]["temperatureCelsius"] = "30"; })),
         Kind::typeMismatch, ""},
        {"date as string", snapshot(snapshotWith([](auto& d) { d["battery"]["timestamp"] = "2024-01-01"; })),
         Kind::typeMismatch, ""},
        {"date beyond the clock", snapshot(snapshotWith([](auto& d) { d["battery"]["timestamp"] = 1e300; })),
         Kind::dataCorrupted, ""},
        {"battery as array", snapshot(snapshotWith([](auto& d) { d["battery"] = nlohmann::ordered_json::array(); })),
         Kind::typeMismatch, ""},
        {"health with unknown code",
         [] {
             decodeText<DaemonHealth>(
                 R"({"identity":{"protocolVersion":10,"helperBuild":"","appVersion":"","serviceName":"","parentBundleIdentifier":""},)"
                 R"("hardwareAvailable":true,"failure":{"code":"disk","message":"m"}})");
         },
         Kind::dataCorrupted, "failure.code: Cannot initialize DaemonFailureReason.Code from invalid string value \"disk\"."},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        try {
            failure.decode();
            ADD_FAILURE() << "decoded";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), failure.kind) << error.what();
            if (!failure.description.empty()) {
                EXPECT_EQ(std::string(error.what()), failure.description);
            }
        }
    }
}

// Whatever arrives over the wire, decoding ends in a value or a DecodingError.
TEST(IPCTest, HostileInputIsRefusedWithADecodingError)
{
    std::string huge = R"({"topUp":{},"pad":")" + std::string(IPC::maximumDocumentSize, 'x') + R"("})";
    std::string deep = std::string(100'000, '[') + std::string(100'000, ']');
    std::string deepInString = R"({"topUp":{},"s":")" + std::string(1000, '[') + R"("})";
    std::string escapedQuote = R"({"topUp":{},"s":"\"[[[[["})";
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"empty", ""},
        {"not JSON", "topUp"},
        {"truncated", R"({"topUp":{)"},
        {"trailing garbage", R"({"topUp":{}} x)"},
        {"invalid UTF-8", "{\"topUp\":{},\"s\":\"\xff\xfe\"}"},
        {"lone surrogate escape", R"({"topUp":{},"s":"\ud800"})"},
        {"huge", huge},
        {"deep", deep},
        {"number overflow", R"({"setMagSafeLED":{"_0":1e400}})"},
        {"NUL byte", std::string("{\"topUp\":{}}\0", 13)},
    };
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        EXPECT_THROW(decodeText<ControlCommand>(input), DecodingError);
        EXPECT_THROW(decodeText<PowerSnapshot>(input), DecodingError);
    }
    // Brackets inside strings are no nesting.
    EXPECT_EQ(decodeText<ControlCommand>(deepInString), ControlCommand::topUp());
    EXPECT_EQ(decodeText<ControlCommand>(escapedQuote), ControlCommand::topUp());
}

TEST(IPCTest, NonFiniteNumbersCannotBeEncoded)
{
    for (const double value : {std::nan(""), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()}) {
        auto snapshot = samplePowerSnapshot();
        snapshot.battery.temperatureCelsius = value;
        try {
            IPC::encode(snapshot);
            ADD_FAILURE() << "encoded " << value;
        } catch (const EncodingError& error) {
            EXPECT_EQ(error.codingPath(), (std::vector<std::string>{"battery", "temperatureCelsius"}));
        }
        auto adapter = snapshot.adapter;
        adapter.inputWatts = value;
        EXPECT_THROW(IPC::encode(adapter), EncodingError);
    }
}

TEST(IPCTest, NegativeCurrentsAndWholeDoublesSurviveCoding)
{
    auto battery = sampleBattery();
    battery.currentAmps = -2.0;
    battery.powerWatts = -0.001;
    battery.temperatureCelsius = 30.0;
    const std::string json = text(IPC::encode(battery));
    EXPECT_NE(json.find(R"("currentAmps":-2,)"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("temperatureCelsius":30,)"), std::string::npos) << json;
    EXPECT_EQ(IPC::decode<BatterySnapshot>(IPC::encode(battery)), battery);
}
