#include <gtest/gtest.h>

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "TestSupport/SimmacProcess.h"

using testsupport::SimmacProcess;

namespace {

// A machine whose battery keeps the model's readings.
SimmacProcess::Options frozen(std::string model = "firmware-limit-laptop")
{
    SimmacProcess::Options options = SimmacProcess::withModel(std::move(model));
    options.speed = 0;
    return options;
}

io_service_t smartBattery()
{
    return IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
}

CFTypeRef property(io_service_t service, const char* key)
{
    return IORegistryEntryCreateCFProperty(service, key, kCFAllocatorDefault, 0);
}

// The description of the first power source, as the daemon and the app take it.
CFTypeRef firstPowerSource()
{
    const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
    const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
    const auto* sources = list ? list->get<CFPropertyValue::Array>() : nullptr;
    if (sources == nullptr || sources->empty()) {
        return nullptr;
    }
    return IOPSGetPowerSourceDescription(blob, sources->front());
}

template <typename T>
std::optional<T> value(const CFTypeRef& object, const char* key)
{
    const CFTypeRef member = object ? object->member(key) : nullptr;
    const T* typed = member ? member->template get<T>() : nullptr;
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

}  // namespace

TEST(Registry, PropertiesAreTypedAsTheRegistryTypesThem)
{
    SimmacProcess simmac(frozen());
    const io_service_t service = smartBattery();
    ASSERT_NE(service, IO_OBJECT_NULL);

    for (const char* key : {"BatteryInstalled", "IsCharging", "FullyCharged", "ExternalConnected"}) {
        const CFTypeRef read = property(service, key);
        ASSERT_TRUE(read) << key;
        EXPECT_EQ(read->type(), CFPropertyType::boolean) << key;
        EXPECT_EQ(read->get<std::int64_t>(), nullptr) << key << " read as a number";
    }
    for (const char* key : {"BatteryPackCount", "MaxCapacity", "CurrentCapacity", "AppleRawCurrentCapacity",
                            "AppleRawMaxCapacity", "DesignCapacity", "NominalChargeCapacity", "CycleCount",
                            "Temperature", "Voltage", "Amperage"}) {
        const CFTypeRef read = property(service, key);
        ASSERT_TRUE(read) << key;
        EXPECT_NE(read->get<std::int64_t>(), nullptr) << key;
        EXPECT_EQ(read->get<bool>(), nullptr) << key << " read as a Boolean";
    }
    for (const char* key : {"BatteryHealth", "BatterySerialNumber"}) {
        const CFTypeRef read = property(service, key);
        ASSERT_TRUE(read) << key;
        EXPECT_NE(read->get<std::string>(), nullptr) << key;
    }

    EXPECT_EQ(*property(service, "MaxCapacity")->get<std::int64_t>(), 100);
    EXPECT_EQ(*property(service, "CurrentCapacity")->get<std::int64_t>(), 80);
    EXPECT_EQ(*property(service, "AppleRawMaxCapacity")->get<std::int64_t>(), 5480);
    EXPECT_EQ(*property(service, "DesignCapacity")->get<std::int64_t>(), 6075);
    EXPECT_EQ(*property(service, "Temperature")->get<std::int64_t>(), 3037);  // 30.5 °C in tenths of a kelvin
    EXPECT_EQ(*property(service, "BatteryHealth")->get<std::string>(), "Normal");

    const CFTypeRef adapter = property(service, "AdapterDetails");
    ASSERT_TRUE(adapter);
    EXPECT_EQ(value<std::int64_t>(adapter, "Watts"), 70);
    EXPECT_EQ(value<std::int64_t>(adapter, "AdapterVoltage"), 20000);
    EXPECT_EQ(value<std::int64_t>(adapter, "Current"), 3500);

    EXPECT_FALSE(property(service, "NoSuchProperty"));
    EXPECT_FALSE(property(service, nullptr));
    EXPECT_FALSE(property(12345, "CurrentCapacity"));
    io_connect_t connection = IO_OBJECT_NULL;
    EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnNotFound);  // no user client
    IOObjectRelease(service);
}

TEST(Registry, AllPropertiesAtOnceMatchTheSingleReads)
{
    SimmacProcess simmac(frozen());
    const io_service_t service = smartBattery();
    ASSERT_NE(service, IO_OBJECT_NULL);

    CFTypeRef properties;
    ASSERT_EQ(IORegistryEntryCreateCFProperties(service, &properties, kCFAllocatorDefault, 0), kIOReturnSuccess);
    const auto* dictionary = properties->get<CFPropertyValue::Dictionary>();
    ASSERT_NE(dictionary, nullptr);
    EXPECT_GT(dictionary->size(), 15u);
    for (const auto& [key, member] : *dictionary) {
        const CFTypeRef single = property(service, key.c_str());
        ASSERT_TRUE(single) << key;
        EXPECT_EQ(member->type(), single->type()) << key;
    }
    EXPECT_EQ(value<std::int64_t>(properties, "AppleRawMaxCapacity"), 5480);
    EXPECT_EQ(value<std::int64_t>(properties->member("AdapterDetails"), "Watts"), 70);

    EXPECT_EQ(IORegistryEntryCreateCFProperties(service, nullptr, kCFAllocatorDefault, 0), kIOReturnBadArgument);
    EXPECT_EQ(IORegistryEntryCreateCFProperties(12345, &properties, kCFAllocatorDefault, 0), kIOReturnBadArgument);
    simmac.stop();
    CFTypeRef untouched = properties;
    EXPECT_EQ(IORegistryEntryCreateCFProperties(service, &properties, kCFAllocatorDefault, 0), kIOReturnNotResponding);
    EXPECT_EQ(properties, untouched);
    IOObjectRelease(service);
}

TEST(Registry, IntelModelsCountInMilliampHoursWithoutRawKeys)
{
    SimmacProcess simmac(frozen("legacy-laptop"));
    const io_service_t service = smartBattery();
    ASSERT_NE(service, IO_OBJECT_NULL);
    EXPECT_EQ(*property(service, "MaxCapacity")->get<std::int64_t>(), 5480);
    EXPECT_EQ(*property(service, "CurrentCapacity")->get<std::int64_t>(), 4384);
    EXPECT_FALSE(property(service, "AppleRawMaxCapacity"));
    EXPECT_FALSE(property(service, "AppleRawCurrentCapacity"));
    EXPECT_EQ(value<std::int64_t>(firstPowerSource(), "Current Capacity"), 80);
    IOObjectRelease(service);
}

TEST(Registry, ADesktopHasNoBatteryServiceAndNoPowerSource)
{
    SimmacProcess simmac(SimmacProcess::withModel("desktop"));
    EXPECT_EQ(smartBattery(), IO_OBJECT_NULL);
    const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
    ASSERT_TRUE(blob);
    const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->get<CFPropertyValue::Array>()->empty());
}

TEST(PowerSources, TheInternalBatteryIsDescribedAsAMacDescribesIt)
{
    SimmacProcess simmac(frozen());
    const CFTypeRef description = firstPowerSource();
    ASSERT_TRUE(description);
    EXPECT_EQ(value<std::int64_t>(description, "Current Capacity"), 80);
    EXPECT_EQ(value<std::int64_t>(description, "Max Capacity"), 100);
    EXPECT_EQ(value<bool>(description, "Is Charging"), true);
    EXPECT_EQ(value<std::string>(description, "Power Source State"), "AC Power");
    EXPECT_EQ(value<std::int64_t>(description, "Time to Empty"), 0);
    EXPECT_EQ(value<std::int64_t>(description, "Time to Full Charge"), 78);  // 1096 mAh at 850 mA
    EXPECT_EQ(value<std::int64_t>(description, "Temperature"), 3037);
    EXPECT_EQ(value<std::string>(description, "Type"), "InternalBattery");

    EXPECT_FALSE(IOPSCopyPowerSourcesList(nullptr));
    EXPECT_FALSE(IOPSGetPowerSourceDescription(IOPSCopyPowerSourcesInfo(), nullptr));
    EXPECT_FALSE(IOPSGetPowerSourceDescription(nullptr, std::make_shared<const CFPropertyValue>(std::int64_t{0})));
    EXPECT_FALSE(IOPSCopyPowerSourcesList(std::make_shared<const CFPropertyValue>(true)));
}

TEST(PowerSources, WithoutSimmacThereIsNoInformation)
{
    char pattern[] = "/tmp/no-simmac.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    setenv("SIMMAC_ROOT", pattern, 1);
    EXPECT_FALSE(IOPSCopyPowerSourcesInfo());
    std::filesystem::remove_all(pattern);
}
