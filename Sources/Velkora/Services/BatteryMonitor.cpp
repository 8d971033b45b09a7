#include "Services/BatteryMonitor.h"

#include "UtilityQueue.h"

#include "VelkoraCore/BatteryPresence.h"
#include "VelkoraCore/PowerMath.h"
#include "VelkoraCore/SMCBatteryTelemetry.h"

#include "IOKit/IOKitLib.h"
#include "IOKit/ps/IOPowerSources.h"
#include "ProcessInfo/ProcessInfo.h"
#include "SMCKit/SMCKit.h"

#include <qcoro/qcorofuture.h>

#include <algorithm>

namespace velkora {

namespace {

using Dictionary = CFPropertyValue::Dictionary;

// The member `key` of a dictionary (held by a pointer or an optional) when it has type T.
template <typename T, typename DictionaryHolder>
std::optional<T> member(const DictionaryHolder& dictionary, std::string_view key)
{
    if (!dictionary) {
        return std::nullopt;
    }
    const auto found = dictionary->find(key);
    if (found == dictionary->end() || !found->second) {
        return std::nullopt;
    }
    if (const T* value = found->second->template get<T>()) {
        return *value;
    }
    return std::nullopt;
}

// `value` when present, else `fallback`.
template <typename T>
std::optional<T> orElse(std::optional<T> value, std::optional<T> fallback)
{
    return value ? value : fallback;
}

// Minutes as the power-source information gives them: -1 while the estimate
// is being made, 0 when it does not apply.
std::optional<std::int64_t> validTime(std::optional<std::int64_t> minutes)
{
    if (minutes && *minutes >= 1 && *minutes <= 9999) {
        return minutes;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> smcBytes(smckit::KeyCode key)
{
    try {
        return smckit::SMCKit::shared().readData(key);
    } catch (const smckit::SMCError&) {
        return {};
    }
}

std::optional<double> smcFloat(smckit::KeyCode key)
{
    try {
        return static_cast<double>(smckit::SMCKit::shared().read<float>(key));
    } catch (const smckit::SMCError&) {
        return std::nullopt;
    }
}

bool isInstalled(const std::shared_ptr<const Dictionary>& registry)
{
    return BatteryPresence::isInstalled(member<bool>(registry, "BatteryInstalled"),
                                        member<std::int64_t>(registry, "BatteryPackCount"),
                                        member<std::int64_t>(registry, "MaxCapacity"));
}

// The registry says outright that no battery is installed.
bool isAbsenceConfirmed(const std::shared_ptr<const Dictionary>& registry)
{
    return member<bool>(registry, "BatteryInstalled") == false;
}

ChargingState stateOf(bool adapterConnected, bool isCharging)
{
    if (!adapterConnected) {
        return ChargingState::onBattery;
    }
    return isCharging ? ChargingState::charging : ChargingState::paused;
}

}  // namespace

BatteryMonitor::BatteryMonitor(Clock clock)
    : clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      service_(findService()),
      samplingQueue_(std::make_unique<UtilityQueue>(QStringLiteral("com.velkora.battery-sampling"))),
      lastConnectionAttempt_(clock_())
{
}

BatteryMonitor::~BatteryMonitor()
{
    samplingQueue_.reset();
    if (const io_service_t service = service_.load(); service != IO_OBJECT_NULL) {
        IOObjectRelease(service);
    }
}

io_service_t BatteryMonitor::findService()
{
    return IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
}

BatteryMonitor::DictionaryRef BatteryMonitor::registryProperties() const
{
    const io_service_t service = service_.load();
    CFTypeRef properties;
    if (service == IO_OBJECT_NULL ||
        IORegistryEntryCreateCFProperties(service, &properties, kCFAllocatorDefault, 0) != kIOReturnSuccess) {
        return nullptr;
    }
    return DictionaryRef(properties, properties->get<Dictionary>());
}

bool BatteryMonitor::batteryPresent() const
{
    return isInstalled(registryProperties());
}

bool BatteryMonitor::batteryAbsenceConfirmed() const
{
    return isAbsenceConfirmed(registryProperties());
}

void BatteryMonitor::reconnectIfNeeded(DictionaryRef& registry)
{
    const auto now = clock_();
    if (now - lastConnectionAttempt_ < reconnectionInterval) {
        return;
    }
    if (service_.load() != IO_OBJECT_NULL && (isInstalled(registry) || isAbsenceConfirmed(registry))) {
        return;
    }
    lastConnectionAttempt_ = now;
    const io_service_t old = service_.exchange(findService());
    if (old != IO_OBJECT_NULL) {
        IOObjectRelease(old);
    }
    registry = registryProperties();
}

BatteryMonitor::DictionaryRef BatteryMonitor::powerSourceInfo() const
{
    const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
    if (!blob) {
        return nullptr;
    }
    const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
    const auto* sources = list ? list->get<CFPropertyValue::Array>() : nullptr;
    if (sources == nullptr || sources->empty()) {
        return nullptr;
    }
    const CFTypeRef description = IOPSGetPowerSourceDescription(blob, sources->front());
    const auto* dictionary = description ? description->get<Dictionary>() : nullptr;
    if (dictionary == nullptr) {
        return nullptr;
    }
    return DictionaryRef(description, dictionary);
}

double BatteryMonitor::temperature(const DictionaryRef& powerInfo, const DictionaryRef& registry)
{
    std::optional<std::int64_t> raw = member<std::int64_t>(powerInfo, "Temperature");
    if (!raw) {
        raw = member<std::int64_t>(registry, "Temperature");
    }
    if (!raw || *raw < 1) {
        return 0.0;
    }
    // Tenths of a kelvin; anything outside 0-80 °C is no valid reading.
    const double celsius = static_cast<double>(*raw) / 10.0 - 273.15;
    return celsius >= 0.0 && celsius <= 80.0 ? celsius : 0.0;
}

std::optional<double> BatteryMonitor::readBatteryVoltage() const
{
    const auto millivolts = SMCBatteryTelemetry::voltageMillivolts(smcBytes("B0AV"), currentSMCIntegerByteOrder);
    if (!millivolts) {
        return std::nullopt;
    }
    return *millivolts / 1000.0;
}

std::optional<double> BatteryMonitor::readBatteryCurrent() const
{
    const auto milliamps = SMCBatteryTelemetry::currentMilliamps(smcBytes("B0AC"), currentSMCIntegerByteOrder);
    if (!milliamps) {
        return std::nullopt;
    }
    return *milliamps / 1000.0;
}

std::optional<double> BatteryMonitor::readAdapterVoltage() const
{
    return smcFloat("VD0R");
}

std::optional<double> BatteryMonitor::readAdapterCurrent() const
{
    return smcFloat("ID0R");
}

PowerSnapshot BatteryMonitor::read()
{
    DictionaryRef registry = registryProperties();
    reconnectIfNeeded(registry);
    if (!isInstalled(registry)) {
        return PowerSnapshot::noBattery();
    }
    const DictionaryRef info = powerSourceInfo();

    BatterySnapshot battery;
    battery.percentage =
        orElse(member<std::int64_t>(info, "Current Capacity"), member<std::int64_t>(registry, "CurrentCapacity"))
            .value_or(0);
    const std::optional<std::int64_t> rawCurrent = member<std::int64_t>(registry, "AppleRawCurrentCapacity");
    const std::optional<std::int64_t> rawMaximum = member<std::int64_t>(registry, "AppleRawMaxCapacity");
    battery.hardwarePercentage = rawMaximum.value_or(0) > 0 ? PowerMath::percentage(rawCurrent.value_or(0), *rawMaximum)
                                                            : battery.percentage;
    battery.isCharging =
        orElse(member<bool>(info, "Is Charging"), member<bool>(registry, "IsCharging")).value_or(false);
    battery.isFullyCharged = member<bool>(registry, "FullyCharged").value_or(false);

    const std::optional<Dictionary> adapterDetails = member<Dictionary>(registry, "AdapterDetails");
    const std::int64_t ratedWatts = member<std::int64_t>(adapterDetails, "Watts").value_or(0);
    battery.adapterConnected = member<bool>(registry, "ExternalConnected").value_or(false) || ratedWatts > 0;
    if (info) {
        battery.timeRemainingMinutes =
            validTime(member<std::int64_t>(info, battery.isCharging ? "Time to Full Charge" : "Time to Empty"));
    }
    battery.temperatureCelsius = temperature(info, registry);

    const double registryVoltage = static_cast<double>(member<std::int64_t>(registry, "Voltage").value_or(0)) / 1000.0;
    const double registryCurrent = static_cast<double>(member<std::int64_t>(registry, "Amperage").value_or(0)) / 1000.0;
    battery.voltageVolts = readBatteryVoltage().value_or(registryVoltage);
    battery.currentAmps = readBatteryCurrent().value_or(registryCurrent);
    battery.powerWatts = battery.voltageVolts * battery.currentAmps;

    const double adapterVoltage = readAdapterVoltage().value_or(
        static_cast<double>(member<std::int64_t>(adapterDetails, "AdapterVoltage").value_or(0)) / 1000.0);
    const double adapterCurrent = readAdapterCurrent().value_or(
        static_cast<double>(member<std::int64_t>(adapterDetails, "Current").value_or(0)) / 1000.0);
    const double adapterPower = adapterVoltage * adapterCurrent;
    battery.systemLoadWatts = PowerMath::systemLoadWatts(adapterPower, battery.powerWatts);

    battery.currentCapacityMAh = rawCurrent.value_or(0);
    battery.maxCapacityMAh =
        orElse(rawMaximum, member<std::int64_t>(registry, "MaxCapacity")).value_or(0);
    battery.designCapacityMAh = member<std::int64_t>(registry, "DesignCapacity").value_or(0);
    battery.macOSCapacityMAh = member<std::int64_t>(registry, "NominalChargeCapacity").value_or(battery.maxCapacityMAh);
    battery.cycleCount = member<std::int64_t>(registry, "CycleCount").value_or(0);
    battery.condition = member<std::string>(registry, "BatteryHealth").value_or("Normal");
    battery.serialNumber = member<std::string>(registry, "BatterySerialNumber").value_or("");
    battery.lowPowerModeEnabled = platform::ProcessInfo::isLowPowerModeEnabled();
    battery.timestamp = std::chrono::system_clock::now();

    const AdapterSnapshot adapter{battery.adapterConnected, adapterVoltage, adapterCurrent, std::max(0.0, adapterPower),
                                  ratedWatts};
    const ChargingState state = stateOf(battery.adapterConnected, battery.isCharging);
    return PowerSnapshot{std::move(battery), adapter, state, std::string(localizedName(state)),
                         CalibrationPhase::inactive};
}

QCoro::Task<PowerSnapshot> BatteryMonitor::readAsync()
{
    co_return co_await samplingQueue_->run([this] { return read(); });
}

}  // namespace velkora
