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

template <typename T>
std::optional<T> member(const std::optional<Dictionary>& dictionary, std::string_view key)
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

// `value` when present, else what `fallback` gives.
template <typename T, typename Fallback>
std::optional<T> orElse(std::optional<T> value, Fallback fallback)
{
    return value ? value : fallback();
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

template <typename T>
std::optional<T> BatteryMonitor::property(const char* key) const
{
    const CFTypeRef value = IORegistryEntryCreateCFProperty(service_.load(), key, kCFAllocatorDefault, 0);
    if (!value) {
        return std::nullopt;
    }
    if (const T* typed = value->get<T>()) {
        return *typed;
    }
    return std::nullopt;
}

bool BatteryMonitor::batteryPresent() const
{
    if (service_.load() == IO_OBJECT_NULL) {
        return false;
    }
    return BatteryPresence::isInstalled(property<bool>("BatteryInstalled"), property<std::int64_t>("BatteryPackCount"),
                                        property<std::int64_t>("MaxCapacity"));
}

bool BatteryMonitor::batteryAbsenceConfirmed() const
{
    return service_.load() != IO_OBJECT_NULL && property<bool>("BatteryInstalled") == false;
}

void BatteryMonitor::reconnectIfNeeded()
{
    const auto now = clock_();
    if (now - lastConnectionAttempt_ < reconnectionInterval) {
        return;
    }
    if (service_.load() != IO_OBJECT_NULL && (batteryPresent() || batteryAbsenceConfirmed())) {
        return;
    }
    lastConnectionAttempt_ = now;
    const io_service_t old = service_.exchange(findService());
    if (old != IO_OBJECT_NULL) {
        IOObjectRelease(old);
    }
}

std::optional<BatteryMonitor::Dictionary> BatteryMonitor::powerSourceInfo() const
{
    const CFTypeRef blob = IOPSCopyPowerSourcesInfo();
    if (!blob) {
        return std::nullopt;
    }
    const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
    const auto* sources = list ? list->get<CFPropertyValue::Array>() : nullptr;
    if (sources == nullptr || sources->empty()) {
        return std::nullopt;
    }
    const CFTypeRef description = IOPSGetPowerSourceDescription(blob, sources->front());
    const auto* dictionary = description ? description->get<Dictionary>() : nullptr;
    if (dictionary == nullptr) {
        return std::nullopt;
    }
    return *dictionary;
}

double BatteryMonitor::temperature(const std::optional<Dictionary>& powerInfo) const
{
    std::optional<std::int64_t> raw = member<std::int64_t>(powerInfo, "Temperature");
    if (!raw) {
        raw = property<std::int64_t>("Temperature");
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
    reconnectIfNeeded();
    if (!batteryPresent()) {
        return PowerSnapshot::noBattery();
    }
    const std::optional<Dictionary> info = powerSourceInfo();

    BatterySnapshot battery;
    battery.percentage = orElse(member<std::int64_t>(info, "Current Capacity"), [this] {
                             return property<std::int64_t>("CurrentCapacity");
                         }).value_or(0);
    const std::optional<std::int64_t> rawCurrent = property<std::int64_t>("AppleRawCurrentCapacity");
    const std::optional<std::int64_t> rawMaximum = property<std::int64_t>("AppleRawMaxCapacity");
    battery.hardwarePercentage = rawMaximum.value_or(0) > 0 ? PowerMath::percentage(rawCurrent.value_or(0), *rawMaximum)
                                                            : battery.percentage;
    battery.isCharging =
        orElse(member<bool>(info, "Is Charging"), [this] { return property<bool>("IsCharging"); }).value_or(false);
    battery.isFullyCharged = property<bool>("FullyCharged").value_or(false);

    const std::optional<Dictionary> adapterDetails = property<Dictionary>("AdapterDetails");
    const std::int64_t ratedWatts = member<std::int64_t>(adapterDetails, "Watts").value_or(0);
    battery.adapterConnected = property<bool>("ExternalConnected").value_or(false) || ratedWatts > 0;
    if (info) {
        battery.timeRemainingMinutes =
            validTime(member<std::int64_t>(info, battery.isCharging ? "Time to Full Charge" : "Time to Empty"));
    }
    battery.temperatureCelsius = temperature(info);

    const double registryVoltage = static_cast<double>(property<std::int64_t>("Voltage").value_or(0)) / 1000.0;
    const double registryCurrent = static_cast<double>(property<std::int64_t>("Amperage").value_or(0)) / 1000.0;
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
        orElse(rawMaximum, [this] { return property<std::int64_t>("MaxCapacity"); }).value_or(0);
    battery.designCapacityMAh = property<std::int64_t>("DesignCapacity").value_or(0);
    battery.macOSCapacityMAh = property<std::int64_t>("NominalChargeCapacity").value_or(battery.maxCapacityMAh);
    battery.cycleCount = property<std::int64_t>("CycleCount").value_or(0);
    battery.condition = property<std::string>("BatteryHealth").value_or("Normal");
    battery.serialNumber = property<std::string>("BatterySerialNumber").value_or("");
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
