#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "SMCKit/SMCKit.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/SMCBatteryTelemetry.h"

using testsupport::SimmacProcess;

namespace {

SimmacProcess::Options heldStill(std::string model = "firmware-limit-laptop")
{
    SimmacProcess::Options options = SimmacProcess::withModel(std::move(model));
    options.speed = 0;
    return options;
}

// What the system's readers take from the registry, the power source and the SMC.
struct Reading {
    CFTypeRef entry;
    CFTypeRef source;

    Reading()
    {
        const io_service_t service =
            IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
        CFPropertyValue::Dictionary properties;
        for (const char* key : {"CurrentCapacity", "MaxCapacity", "AppleRawCurrentCapacity", "AppleRawMaxCapacity",
                                "DesignCapacity", "NominalChargeCapacity", "CycleCount", "Temperature", "Voltage",
                                "Amperage", "ExternalConnected", "IsCharging", "AdapterDetails", "BatteryHealth",
                                "BatterySerialNumber", "ManufacturerData", "CellVoltage", "IOGeneralInterest",
                                "BatteryInstalled"}) {
            if (CFTypeRef value = IORegistryEntryCreateCFProperty(service, key, kCFAllocatorDefault, 0)) {
                properties.emplace(key, std::move(value));
            }
        }
        IOObjectRelease(service);
        entry = std::make_shared<const CFPropertyValue>(std::move(properties));
        const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
        const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
        source = IOPSGetPowerSourceDescription(blob, list->get<CFPropertyValue::Array>()->front());
    }

    template <typename T>
    static std::optional<T> get(const CFTypeRef& dictionary, const char* key)
    {
        const CFTypeRef value = dictionary ? dictionary->member(key) : nullptr;
        const T* typed = value ? value->template get<T>() : nullptr;
        return typed ? std::optional<T>(*typed) : std::nullopt;
    }
    std::optional<std::int64_t> integer(const char* key) const { return get<std::int64_t>(entry, key); }
};

}  // namespace

TEST(BatteryCapture, AnAppleSiliconDumpOnTheAdapterReadsBackAsCaptured)
{
    SimmacProcess simmac(heldStill());
    simmac.loadBatteryCapture(SimmacProcess::batteryCapture("apple-silicon-on-adapter.txt"));
    const Reading reading;

    // Percentage from the power source, hardware percentage from the raw keys (82).
    EXPECT_EQ(Reading::get<std::int64_t>(reading.source, "Current Capacity"), 83);
    EXPECT_EQ(reading.integer("CurrentCapacity"), 83);
    EXPECT_EQ(reading.integer("AppleRawCurrentCapacity"), 4100);
    EXPECT_EQ(reading.integer("AppleRawMaxCapacity"), 5000);
    EXPECT_EQ(reading.integer("MaxCapacity"), 100);
    EXPECT_EQ(reading.integer("DesignCapacity"), 6075);
    EXPECT_EQ(reading.integer("NominalChargeCapacity"), 5127);
    EXPECT_EQ(reading.integer("CycleCount"), 187);
    EXPECT_EQ(reading.integer("Temperature"), 3031);
    EXPECT_EQ(Reading::get<std::int64_t>(reading.source, "Temperature"), 3031);
    EXPECT_EQ(reading.integer("Voltage"), 12781);
    EXPECT_EQ(reading.integer("Amperage"), 2140);
    EXPECT_EQ(Reading::get<bool>(reading.entry, "ExternalConnected"), true);
    EXPECT_EQ(Reading::get<bool>(reading.source, "Is Charging"), true);
    // The physics estimates afresh: 900 mAh at 2140 mA.
    EXPECT_EQ(Reading::get<std::int64_t>(reading.source, "Time to Full Charge"), 26);
    EXPECT_FALSE(Reading::get<std::string>(reading.entry, "BatteryHealth"));
    const CFTypeRef adapter = reading.entry->member("AdapterDetails");
    EXPECT_EQ(Reading::get<std::int64_t>(adapter, "Watts"), 96);
    EXPECT_EQ(Reading::get<std::int64_t>(adapter, "AdapterVoltage"), 20000);
    EXPECT_EQ(Reading::get<std::int64_t>(adapter, "Current"), 4800);
    EXPECT_EQ(Reading::get<std::string>(adapter, "Name"), "96W USB-C Power Adapter");
    // Keys the physics does not drive stay as captured.
    EXPECT_EQ(reading.entry->member("CellVoltage")->get<CFPropertyValue::Array>()->size(), 3u);
    EXPECT_EQ(*reading.entry->member("ManufacturerData")->get<CFPropertyValue::Data>(),
              (CFPropertyValue::Data{0, 0, 0, 0, 3, 0, 1, 0, 0x0a, 0, 0, 0, 5, 0, 0, 0}));

    smckit::SMCKit smc;
    EXPECT_EQ(velkora::SMCBatteryTelemetry::voltageMillivolts(smc.readData("B0AV"), velkora::currentSMCIntegerByteOrder),
              12781);
    EXPECT_EQ(velkora::SMCBatteryTelemetry::currentMilliamps(smc.readData("B0AC"), velkora::currentSMCIntegerByteOrder),
              2140);
    EXPECT_FLOAT_EQ(smc.read<float>("VD0R"), 20.0f);
    EXPECT_EQ(simmac.status()["battery"]["capture"], "apple-silicon-on-adapter.txt");

    // The physics goes on from there.
    ASSERT_EQ(simmac.simmacctl({"speed", "600"}).exitCode, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Reading().integer("AppleRawCurrentCapacity") <= 4100 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GT(Reading().integer("AppleRawCurrentCapacity"), 4100);
}

TEST(BatteryCapture, AnIntelDumpOnBatteryReadsBackWithItsNegativeCurrent)
{
    SimmacProcess simmac(heldStill("legacy-laptop"));
    simmac.loadBatteryCapture(SimmacProcess::batteryCapture("intel-discharging.txt"));
    const Reading reading;

    EXPECT_EQ(Reading::get<std::int64_t>(reading.source, "Current Capacity"), 67);  // 3419 of 5103 mAh
    EXPECT_EQ(reading.integer("CurrentCapacity"), 3419);
    EXPECT_EQ(reading.integer("MaxCapacity"), 5103);
    EXPECT_FALSE(reading.integer("AppleRawCurrentCapacity"));
    EXPECT_FALSE(reading.integer("AppleRawMaxCapacity"));
    EXPECT_FALSE(reading.integer("NominalChargeCapacity"));
    EXPECT_EQ(reading.integer("DesignCapacity"), 6669);
    EXPECT_EQ(reading.integer("CycleCount"), 412);
    EXPECT_EQ(reading.integer("Temperature"), 3042);
    EXPECT_EQ(reading.integer("Voltage"), 11583);
    EXPECT_EQ(reading.integer("Amperage"), -1532);
    EXPECT_EQ(Reading::get<bool>(reading.entry, "ExternalConnected"), false);
    EXPECT_EQ(Reading::get<std::string>(reading.source, "Power Source State"), "Battery Power");
    EXPECT_EQ(Reading::get<std::int64_t>(reading.source, "Time to Empty"), 133);  // 3419 mAh at 1532 mA
    EXPECT_EQ(Reading::get<std::string>(reading.entry, "BatteryHealth"), "Service Recommended");
    EXPECT_EQ(Reading::get<std::string>(reading.entry, "IOGeneralInterest"), "IOCommand is not serializable");
    EXPECT_FALSE(Reading::get<std::int64_t>(reading.entry->member("AdapterDetails"), "Watts"));

    smckit::SMCKit smc;
    EXPECT_EQ(velkora::SMCBatteryTelemetry::currentMilliamps(smc.readData("B0AC"), velkora::currentSMCIntegerByteOrder),
              -1532);
    EXPECT_EQ(smc.read<float>("VD0R"), 0.0f);
    EXPECT_NEAR(smc.read<float>("PDTR"), 1.532 * 11.583, 0.01);  // the load the pack carries
}

TEST(BatteryCapture, ADumpThatCannotBeReadChangesNothing)
{
    SimmacProcess simmac(heldStill());
    const auto before = simmac.status()["battery"];
    const auto result =
        simmac.simmacctl({"capture", "load", SimmacProcess::batteryCapture("malformed-line.txt").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errorOutput, "simmacctl: malformed-line.txt, line 7: unexpected \"x7\" after the value\n");
    EXPECT_EQ(simmac.status()["battery"], before);

    const auto missing = simmac.simmacctl({"capture", "load", "/nonexistent/dump.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.errorOutput, "simmacctl: /nonexistent/dump.txt does not exist\n");

    const std::filesystem::path noCapacity = simmac.root() / "no-capacity.txt";
    std::ofstream(noCapacity) << "{\n  \"CurrentCapacity\" = 50\n}\n";
    EXPECT_EQ(simmac.simmacctl({"capture", "load", noCapacity.string()}).errorOutput,
              "simmacctl: no-capacity.txt: the entry states no full-charge capacity in mAh (\"AppleRawMaxCapacity\" or "
              "\"MaxCapacity\")\n");
}

TEST(BatteryCapture, APastedExcerptLoadsAndTheUserIsToldWhatWasAssumed)
{
    SimmacProcess simmac(heldStill());
    const auto result =
        simmac.simmacctl({"capture", "load", SimmacProcess::batteryCapture("pasted-excerpt.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    EXPECT_EQ(result.errorOutput,
              "simmacctl: assumed: pasted-excerpt.txt, line 29: the last line is cut off; it is left out\n"
              "simmacctl: assumed: pasted-excerpt.txt, line 1: the entry has no closing }; it ends with the text\n");
    const Reading reading;
    EXPECT_EQ(reading.integer("CurrentCapacity"), 83);
    EXPECT_EQ(reading.integer("AppleRawMaxCapacity"), 5000);
    EXPECT_EQ(reading.integer("CycleCount"), 187);
    EXPECT_EQ(reading.entry->member("BatteryData"), nullptr) << "the cut line is not taken";
    EXPECT_EQ(simmac.status()["battery"]["capture"], "pasted-excerpt.txt");
}

TEST(BatteryCapture, AModelFileCanNameADump)
{
    const std::filesystem::path models = std::filesystem::temp_directory_path() /
                                         ("capture-models-" + std::to_string(getpid()));
    std::filesystem::create_directories(models);
    std::filesystem::copy_file(SimmacProcess::batteryCapture("intel-discharging.txt"), models / "intel.txt");
    std::ifstream original(std::filesystem::path(SIMMAC_MODELS_DIRECTORY) / "legacy-laptop.json");
    auto model = nlohmann::ordered_json::parse(original);
    model["battery"] = {{"capture", "intel.txt"}};
    std::ofstream(models / "captured.json") << model.dump(2);

    {
        SimmacProcess::Options options = heldStill("captured");
        options.modelsDirectory = models;
        SimmacProcess simmac(options);
        EXPECT_EQ(Reading().integer("Amperage"), -1532);
        EXPECT_EQ(simmac.status()["battery"]["capture"], "intel.txt");

        model["battery"] = {{"capture", "missing.txt"}};
        std::ofstream(models / "broken.json") << model.dump(2);
        const auto refused = simmac.simmacctl({"model", "broken"});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.errorOutput,
                  "simmacctl: model broken: cannot read the capture " + (models / "missing.txt").string() + "\n");
    }
    std::filesystem::remove_all(models);
}
