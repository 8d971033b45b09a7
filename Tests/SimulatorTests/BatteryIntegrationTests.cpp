#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "SMCKit/SMCKit.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/SMCBatteryTelemetry.h"

using testsupport::SimmacProcess;

namespace {

// The battery as a process of the simulated Mac sees it.
class BatteryView {
public:
    BatteryView() : service_(IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"))) {}
    ~BatteryView() { IOObjectRelease(service_); }

    CFTypeRef property(const char* key) const
    {
        return IORegistryEntryCreateCFProperty(service_, key, kCFAllocatorDefault, 0);
    }
    std::int64_t integer(const char* key) const
    {
        const CFTypeRef value = property(key);
        return value && value->get<std::int64_t>() ? *value->get<std::int64_t>() : -999999;
    }
    bool flag(const char* key) const
    {
        const CFTypeRef value = property(key);
        return value && value->get<bool>() && *value->get<bool>();
    }
    static CFTypeRef powerSource()
    {
        const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
        const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
        const auto* sources = list ? list->get<CFPropertyValue::Array>() : nullptr;
        return sources && !sources->empty() ? IOPSGetPowerSourceDescription(blob, sources->front()) : nullptr;
    }

private:
    io_service_t service_;
};

template <typename T>
T member(const CFTypeRef& dictionary, const char* key)
{
    const CFTypeRef value = dictionary ? dictionary->member(key) : nullptr;
    const T* typed = value ? value->template get<T>() : nullptr;
    if (typed == nullptr) {
        ADD_FAILURE() << "no " << key;
        return T{};
    }
    return *typed;
}

bool eventually(const std::function<bool()>& condition, std::chrono::seconds within = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A client of the SMC allowed to write, whoever runs the tests.
SimmacProcess::Options writableSMC(std::string model)
{
    SimmacProcess::Options options = SimmacProcess::withModel(std::move(model));
    options.privilegedUid = getuid();
    return options;
}

}  // namespace

TEST(BatteryPhysicsInSimmac, ALegacyMacStopsChargingWhenTheInhibitPairIsSet)
{
    SimmacProcess simmac(writableSMC("legacy-laptop"));
    ASSERT_EQ(simmac.simmacctl({"speed", "600"}).exitCode, 0);
    BatteryView battery;
    ASSERT_TRUE(battery.flag("IsCharging"));

    smckit::SMCKit smc;
    smc.write<std::uint8_t>("CH0B", 0x02);
    smc.write<std::uint8_t>("CH0C", 0x02);
    ASSERT_TRUE(eventually([&] { return !battery.flag("IsCharging"); }));
    const std::int64_t held = battery.integer("CurrentCapacity");
    std::this_thread::sleep_for(std::chrono::seconds(1));  // ten simulated minutes
    EXPECT_EQ(battery.integer("CurrentCapacity"), held);
    EXPECT_EQ(battery.integer("Amperage"), 0);
    EXPECT_TRUE(battery.flag("ExternalConnected"));
    EXPECT_FALSE(member<bool>(BatteryView::powerSource(), "Is Charging"));

    smc.write<std::uint8_t>("CH0B", 0x00);
    smc.write<std::uint8_t>("CH0C", 0x00);
    EXPECT_TRUE(eventually([&] { return battery.integer("CurrentCapacity") > held; }));
}

TEST(BatteryPhysicsInSimmac, TheFirmwareLimitHoldsTheLevelBetweenItsBounds)
{
    SimmacProcess simmac(writableSMC("firmware-limit-laptop"));
    ASSERT_EQ(simmac.simmacctl({"level", "70"}).exitCode, 0);
    smckit::SMCKit smc;
    smc.write<std::uint32_t>("bfE0", 75);
    smc.write<std::uint32_t>("bfD0", 80);
    smc.write<std::uint8_t>("bfF0", 0x02);
    ASSERT_EQ(simmac.simmacctl({"speed", "3000"}).exitCode, 0);

    BatteryView battery;
    ASSERT_TRUE(eventually([&] { return battery.integer("CurrentCapacity") >= 80; }));
    // Two simulated hours on the adapter: the firmware keeps it in the window.
    for (int sample = 0; sample < 24; ++sample) {
        const std::int64_t level = battery.integer("CurrentCapacity");
        EXPECT_GE(level, 75);
        EXPECT_LE(level, 80);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(battery.flag("IsCharging"));

    // Below the lower bound it charges again, and stops at the upper one. The
    // clock stands still while that is read: at full speed a loaded machine
    // may see the charge over before it looks.
    ASSERT_EQ(simmac.simmacctl({"speed", "0"}).exitCode, 0);
    ASSERT_EQ(simmac.simmacctl({"level", "74"}).exitCode, 0);
    EXPECT_TRUE(battery.flag("IsCharging"));
    ASSERT_EQ(simmac.simmacctl({"speed", "3000"}).exitCode, 0);
    ASSERT_TRUE(eventually([&] { return battery.integer("CurrentCapacity") == 80 && !battery.flag("IsCharging"); }));
}

TEST(BatteryPhysicsInSimmac, UnpluggingMakesRegistryPowerSourceAndSMCAgree)
{
    SimmacProcess::Options options;
    options.speed = 0;
    SimmacProcess simmac(options);
    ASSERT_EQ(simmac.simmacctl({"unplug"}).exitCode, 0);

    BatteryView battery;
    EXPECT_FALSE(battery.flag("ExternalConnected"));
    EXPECT_FALSE(battery.flag("IsCharging"));
    const std::int64_t amperage = battery.integer("Amperage");
    const std::int64_t voltage = battery.integer("Voltage");
    EXPECT_LT(amperage, -1500);  // 24.5 W from about 12 V
    EXPECT_EQ(battery.property("AdapterDetails")->member("Watts"), nullptr);

    const CFTypeRef source = BatteryView::powerSource();
    EXPECT_EQ(member<std::string>(source, "Power Source State"), "Battery Power");
    EXPECT_FALSE(member<bool>(source, "Is Charging"));
    EXPECT_EQ(member<std::int64_t>(source, "Current Capacity"), battery.integer("CurrentCapacity"));
    EXPECT_EQ(member<std::int64_t>(source, "Current"), amperage);
    EXPECT_EQ(member<std::int64_t>(source, "Time to Empty"), -1);  // still estimating
    EXPECT_EQ(member<std::int64_t>(source, "Temperature"), battery.integer("Temperature"));

    // The SMC says the same, in the byte order this build's core decodes.
    smckit::SMCKit smc;
    EXPECT_EQ(velkora::SMCBatteryTelemetry::currentMilliamps(smc.readData("B0AC"), velkora::currentSMCIntegerByteOrder),
              amperage);
    EXPECT_EQ(velkora::SMCBatteryTelemetry::voltageMillivolts(smc.readData("B0AV"), velkora::currentSMCIntegerByteOrder),
              voltage);
    EXPECT_EQ(smc.read<float>("VD0R"), 0.0f);
    EXPECT_EQ(smc.read<float>("ID0R"), 0.0f);
    EXPECT_FLOAT_EQ(smc.read<float>("PDTR"), 24.5f);
    EXPECT_TRUE(smc.read<bool>("BATP"));

    ASSERT_EQ(simmac.simmacctl({"plug", "96"}).exitCode, 0);
    EXPECT_TRUE(battery.flag("ExternalConnected"));
    EXPECT_TRUE(battery.flag("IsCharging"));
    EXPECT_EQ(member<std::int64_t>(battery.property("AdapterDetails"), "Watts"), 96);
    EXPECT_EQ(member<std::string>(BatteryView::powerSource(), "Power Source State"), "AC Power");
    EXPECT_FLOAT_EQ(smc.read<float>("VD0R"), 20.0f);
    EXPECT_GT(smc.read<float>("ID0R"), 2.0f);
    EXPECT_EQ(velkora::SMCBatteryTelemetry::currentMilliamps(smc.readData("B0AC"), velkora::currentSMCIntegerByteOrder),
              battery.integer("Amperage"));
}

TEST(BatteryPhysicsInSimmac, AnAdapterDisabledBySMCRunsTheMacFromItsBattery)
{
    SimmacProcess::Options options = writableSMC("legacy-laptop");
    options.speed = 0;
    SimmacProcess simmac(options);
    smckit::SMCKit smc;
    smc.write<std::uint8_t>("CH0I", 0x01);
    BatteryView battery;
    ASSERT_TRUE(eventually([&] { return battery.integer("Amperage") < 0; }));
    EXPECT_TRUE(battery.flag("ExternalConnected"));
    EXPECT_EQ(member<std::string>(BatteryView::powerSource(), "Power Source State"), "Battery Power");
    EXPECT_EQ(smc.read<float>("ID0R"), 0.0f);
}

TEST(BatteryPhysicsInSimmac, ABatteryTakenOutIsReportedAbsent)
{
    SimmacProcess simmac;
    ASSERT_EQ(simmac.simmacctl({"battery", "remove"}).exitCode, 0);
    BatteryView battery;
    const CFTypeRef installed = battery.property("BatteryInstalled");
    ASSERT_TRUE(installed && installed->get<bool>());
    EXPECT_FALSE(*installed->get<bool>());
    EXPECT_EQ(BatteryView::powerSource(), nullptr);
    EXPECT_EQ(simmac.status()["battery"]["installed"], false);

    ASSERT_EQ(simmac.simmacctl({"battery", "insert"}).exitCode, 0);
    EXPECT_TRUE(battery.flag("BatteryInstalled"));
    EXPECT_NE(BatteryView::powerSource(), nullptr);
}
