#include "HardwareController.h"

#include "ChildProcess.h"

#include <SMCKit/DataType.h>
#include <SMCKit/SMCKit.h>
#include <VelkoraCore/BatteryPresence.h>
#include <VelkoraCore/PowerMath.h>
#include <VelkoraCore/SMCBatteryTelemetry.h>
#include <VelkoraCore/SMCIntegerByteOrder.h>

#include <ProcessInfo/ProcessInfo.h>
#include <Foundation/SimulatedRoot.h>
#include <IOKit/IOKitLib.h>
#include <IOKit/ps/IOPowerSources.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <thread>

namespace velkora {

namespace {

using smckit::KeyCode;
using Dictionary = CFPropertyValue::Dictionary;

constexpr std::uint8_t chargingAllowed = 0x00;
constexpr std::uint8_t chargingInhibited = 0x02;
constexpr std::uint8_t adapterOn = 0x00;
constexpr std::uint8_t firmwareLimitOff = 0x00;
constexpr std::uint8_t firmwareLimitActive = 0x02;
constexpr int verifyAttempts = 3;
constexpr std::chrono::milliseconds verifyInterval{40};
constexpr std::chrono::milliseconds firstReopenBackOff{500};
constexpr std::chrono::milliseconds longestReopenBackOff{8000};

std::string hex(std::uint8_t byte)
{
    std::array<char, 3> digits{};
    std::snprintf(digits.data(), digits.size(), "%02X", unsigned{byte});
    return digits.data();
}

std::string hexString(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += hex(byte);
    }
    return text;
}

// The bytes composed least significant first into an unsigned T.
template <typename T>
T littleEndianValue(std::span<const std::uint8_t> bytes)
{
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T) && i < bytes.size(); ++i) {
        value = static_cast<T>(value | static_cast<T>(static_cast<T>(bytes[i]) << (8 * i)));
    }
    return value;
}

std::array<std::uint8_t, 4> littleEndianBytes(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

HardwareError writeNotTaken(KeyCode key)
{
    return HardwareError::commandFailed("SMC 写入未生效（" + key.toString() + "）");
}

// Every property of the battery service in one copy (a reading looks up a
// dozen, and each fetch is a call into the registry); null when there is none
// to read.
CFTypeRef registryProperties(io_service_t service, kern_return_t* result = nullptr)
{
    CFTypeRef properties;
    const kern_return_t status = service == IO_OBJECT_NULL
                                     ? kIOReturnNotFound
                                     : IORegistryEntryCreateCFProperties(service, &properties, kCFAllocatorDefault, 0);
    if (result != nullptr) {
        *result = status;
    }
    return status == kIOReturnSuccess ? properties : nullptr;
}

// The member `key` of a dictionary when it has type T.
template <typename T>
std::optional<T> member(const Dictionary& dictionary, std::string_view key)
{
    const auto found = dictionary.find(key);
    if (found == dictionary.end() || !found->second) {
        return std::nullopt;
    }
    if (const T* typed = found->second->get<T>()) {
        return *typed;
    }
    return std::nullopt;
}

// The description of the first power source the system lists, kept together
// with the information it belongs to.
struct PowerSourceInfo {
    CFTypeRef blob;
    CFTypeRef description;

    const Dictionary& dictionary() const { return *description->get<Dictionary>(); }
};

std::optional<PowerSourceInfo> powerSourceInfo()
{
    CFTypeRef blob = IOPSCopyPowerSourcesInfo();
    if (!blob) {
        return std::nullopt;
    }
    const CFTypeRef list = IOPSCopyPowerSourcesList(blob);
    const CFPropertyValue::Array* sources = list ? list->get<CFPropertyValue::Array>() : nullptr;
    if (sources == nullptr || sources->empty()) {
        return std::nullopt;
    }
    CFTypeRef description = IOPSGetPowerSourceDescription(blob, sources->front());
    if (!description || description->get<Dictionary>() == nullptr) {
        return std::nullopt;
    }
    return PowerSourceInfo{std::move(blob), std::move(description)};
}

template <typename T>
std::optional<T> powerSourceValue(const std::optional<PowerSourceInfo>& info, std::string_view key)
{
    if (!info) {
        return std::nullopt;
    }
    return member<T>(info->dictionary(), key);
}

// The value, else what `fallback` reads: a fallback source is only asked
// when the first has nothing.
template <typename T, typename Fallback>
T valueOrElse(const std::optional<T>& value, Fallback&& fallback)
{
    return value ? *value : fallback();
}

// Minutes the power source reports, kept only within 1...9999: -1 (still
// estimating), 0 and anything larger are no estimate.
std::optional<std::int64_t> validTime(std::optional<std::int64_t> minutes)
{
    if (minutes && *minutes >= 1 && *minutes <= 9999) {
        return minutes;
    }
    return std::nullopt;
}

// Degrees Celsius from tenths of a kelvin, the power source's first; 0.0 when
// there is no reading or it lies outside 0...80.
double batteryTemperature(const std::optional<PowerSourceInfo>& powerInfo, const Dictionary& registry)
{
    std::optional<std::int64_t> raw = powerSourceValue<std::int64_t>(powerInfo, "Temperature");
    if (!raw) {
        raw = member<std::int64_t>(registry, "Temperature");
    }
    if (!raw || *raw <= 0) {
        return 0.0;
    }
    const double celsius = static_cast<double>(*raw) / 10.0 - 273.15;
    return celsius >= 0.0 && celsius <= 80.0 ? celsius : 0.0;
}

bool batteryInstalled(const CFTypeRef& registry)
{
    if (!registry) {
        return false;
    }
    const Dictionary& properties = *registry->get<Dictionary>();
    return BatteryPresence::isInstalled(member<bool>(properties, "BatteryInstalled"),
                                        member<std::int64_t>(properties, "BatteryPackCount"),
                                        member<std::int64_t>(properties, "MaxCapacity"));
}

// A 4-byte float key widened to double.
std::optional<double> readFloat(const smckit::SMCKit& smc, KeyCode key)
{
    try {
        return static_cast<double>(smc.read<float>(key));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Whether `text` is well-formed UTF-8: no stray continuation bytes, overlong
// forms, surrogates or code points above U+10FFFF.
bool isValidUTF8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto continuation = static_cast<unsigned char>(text[i + k]);
            if ((continuation & 0xC0) != 0x80) {
                return false;
            }
            codePoint = codePoint << 6 | (continuation & 0x3F);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::filesystem::path powerManagementTool()
{
    return platform::SimulatedRoot::resolve("/usr/bin/pmset");
}

}  // namespace

HardwareController::HardwareController()
    : HardwareController(smckit::SMCKit::shared(), [](std::chrono::milliseconds delay) {
          std::this_thread::sleep_for(delay);
      })
{
}

HardwareController::HardwareController(smckit::SMCKit& smc, Pause pause) : smc(&smc), pause(std::move(pause))
{
    refreshCapabilities();
}

HardwareController::~HardwareController()
{
    if (batteryService != IO_OBJECT_NULL) {
        IOObjectRelease(batteryService);
    }
}

void HardwareController::refreshCapabilities()
{
    if (batteryService != IO_OBJECT_NULL) {
        IOObjectRelease(batteryService);
    }
    batteryService = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSmartBattery"));
    probeCapabilities();
}

bool HardwareController::reopenLostConnection()
{
    if (!smc->needsReopening()) {
        reopenBackOff = {};
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (reopenBackOff != std::chrono::steady_clock::duration{} && now < nextReopenAt) {
        return false;
    }
    reopenBackOff = std::clamp<std::chrono::steady_clock::duration>(reopenBackOff * 2, firstReopenBackOff,
                                                                   longestReopenBackOff);
    nextReopenAt = now + reopenBackOff;
    if (!smc->reopen()) {
        return false;
    }
    refreshCapabilities();
    return true;
}

void HardwareController::probeCapabilities()
{
    if (!batteryInstalled(registryProperties(batteryService))) {
        capabilities_ = {};
        return;
    }
    // The system's version cannot change while the daemon runs.
    onMacOS26OrLater = platform::ProcessInfo::operatingSystemVersion().majorVersion >= 26;
    hasCH0B = canRead("CH0B");
    hasCH0C = canRead("CH0C");
    hasCHTE = canRead("CHTE");
    hasFirmwareLimitActivation = canRead("bfF0");
    hasFirmwareLimitUpper = canRead("bfD0");
    hasFirmwareLimitLower = canRead("bfE0");
    hasCH0I = canRead("CH0I");
    hasCH0J = canRead("CH0J");
    hasCHIE = canRead("CHIE");
    hasACLC = canRead("ACLC");
    capabilities_ = {
        .batteryPresent = true,
        .chargingControl = chargingControl().has_value(),
        .forceDischarge = adapterControl().has_value(),
        .magSafeLED = hasACLC,
        .highPowerMode = supportsHighPowerMode(),
    };
}

const DeviceCapabilities& HardwareController::capabilities() const
{
    return capabilities_;
}

bool HardwareController::supportsHighPowerMode() const
{
    try {
        const ChildProcess::Result result =
            ChildProcess::run(powerManagementTool(), {"-g", "custom"}, ChildProcess::Capture::standardOutput);
        return isValidUTF8(result.output) && result.output.find("powermode") != std::string::npos;
    } catch (const std::exception&) {
        return false;
    }
}

bool HardwareController::canRead(KeyCode key) const
{
    try {
        if (smc->getKeyInformation(key).size == 0) {
            return false;
        }
        smc->readData(key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<HardwareController::ChargingControl> HardwareController::chargingControl() const
{
    if (hasFirmwareLimitActivation && hasFirmwareLimitUpper && hasFirmwareLimitLower) {
        return ChargingControl::firmwareLimit;
    }
    if (hasCH0B && hasCH0C) {
        return ChargingControl::legacyInhibit;
    }
    if (hasCHTE) {
        return ChargingControl::chteInhibit;
    }
    return std::nullopt;
}

std::optional<HardwareController::AdapterControl> HardwareController::adapterControl() const
{
    if (hasCHIE && onMacOS26OrLater) {
        return AdapterControl::chie;
    }
    if (hasCH0I) {
        return AdapterControl::ch0i;
    }
    if (hasCH0J) {
        return AdapterControl::ch0j;
    }
    if (hasCHIE) {
        return AdapterControl::chie;
    }
    return std::nullopt;
}

std::string HardwareController::describeControls() const
{
    std::string charging = "no charging control";
    if (const auto control = chargingControl()) {
        switch (*control) {
        case ChargingControl::firmwareLimit: charging = "charging by firmware limit (bfF0/bfD0/bfE0)"; break;
        case ChargingControl::legacyInhibit: charging = "charging by inhibit (CH0B/CH0C)"; break;
        case ChargingControl::chteInhibit: charging = "charging by inhibit (CHTE)"; break;
        }
    }
    const auto adapter = adapterControl();
    return charging + ", " + (adapter ? "adapter by " + adapterKey(*adapter).toString() : "no adapter control");
}

KeyCode HardwareController::adapterKey(AdapterControl control)
{
    switch (control) {
    case AdapterControl::ch0i:
        return "CH0I";
    case AdapterControl::ch0j:
        return "CH0J";
    case AdapterControl::chie:
        return "CHIE";
    }
    return "CH0I";
}

bool HardwareController::usesFirmwareChargeLimit() const
{
    return chargingControl() == ChargingControl::firmwareLimit;
}

std::optional<std::uint8_t> HardwareController::readFirstByte(KeyCode key) const
{
    const std::vector<std::uint8_t> bytes = smcBytes(key);
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes.front();
}

std::vector<std::uint8_t> HardwareController::smcBytes(KeyCode key) const
{
    try {
        return smc->readData(key);
    } catch (const std::exception&) {
        return {};
    }
}

std::optional<std::uint32_t> HardwareController::readLittleEndianUInt32(KeyCode key) const
{
    const std::vector<std::uint8_t> bytes = smcBytes(key);
    if (bytes.size() != 4) {
        return std::nullopt;
    }
    return littleEndianValue<std::uint32_t>(bytes);
}

std::optional<bool> HardwareController::readChargingEnabled() const
{
    const std::optional<ChargingControl> control = chargingControl();
    if (!control) {
        return std::nullopt;
    }
    switch (*control) {
    case ChargingControl::firmwareLimit:
        return std::nullopt;
    case ChargingControl::legacyInhibit: {
        const std::optional<std::uint8_t> ch0b = readFirstByte("CH0B");
        const std::optional<std::uint8_t> ch0c = readFirstByte("CH0C");
        if (!ch0b || !ch0c) {
            return std::nullopt;
        }
        return *ch0b == chargingAllowed && *ch0c == chargingAllowed;
    }
    case ChargingControl::chteInhibit: {
        const std::optional<std::uint32_t> value = readLittleEndianUInt32("CHTE");
        if (!value) {
            return std::nullopt;
        }
        return *value == 0;
    }
    }
    return std::nullopt;
}

std::optional<bool> HardwareController::readAdapterEnabled() const
{
    const std::optional<AdapterControl> control = adapterControl();
    if (!control) {
        return std::nullopt;
    }
    const std::optional<std::uint8_t> value = readFirstByte(adapterKey(*control));
    if (!value) {
        return std::nullopt;
    }
    return *value == adapterOn;
}

void HardwareController::writeSMC(KeyCode key, const std::string& valueDescription,
                                  const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const HardwareError&) {
        throw;
    } catch (const std::exception& error) {
        throw HardwareError::smcWriteFailed(key.toString(), valueDescription, describeSMCError(error));
    }
}

void HardwareController::writeControlValue(KeyCode key, std::span<const std::uint8_t> bytes)
{
    const smckit::DataType info = smc->getKeyInformation(key);
    const std::string type = KeyCode(info.type).toString();
    if (bytes.size() != info.size) {
        throw HardwareError::controlValueMismatch(key.toString(), type, info.size,
                                                  static_cast<std::int64_t>(bytes.size()));
    }
    namespace types = smckit::DataTypes;
    // The SMC layer encodes integers least significant byte first, so each of
    // these writes the given bytes unchanged; a flag becomes 0x01 or 0x00.
    if (info.type == types::UInt8.type) {
        smc->write<std::uint8_t>(key, bytes[0]);
    } else if (info.type == types::Int8.type) {
        smc->write<std::int8_t>(key, static_cast<std::int8_t>(bytes[0]));
    } else if (info.type == types::UInt16.type) {
        smc->write<std::uint16_t>(key, littleEndianValue<std::uint16_t>(bytes));
    } else if (info.type == types::Int16.type) {
        smc->write<std::int16_t>(key, static_cast<std::int16_t>(littleEndianValue<std::uint16_t>(bytes)));
    } else if (info.type == types::UInt32.type) {
        smc->write<std::uint32_t>(key, littleEndianValue<std::uint32_t>(bytes));
    } else if (info.type == types::Int32.type) {
        smc->write<std::int32_t>(key, static_cast<std::int32_t>(littleEndianValue<std::uint32_t>(bytes)));
    } else if (info.type == types::UInt64.type) {
        smc->write<std::uint64_t>(key, littleEndianValue<std::uint64_t>(bytes));
    } else if (info.type == types::Int64.type) {
        smc->write<std::int64_t>(key, static_cast<std::int64_t>(littleEndianValue<std::uint64_t>(bytes)));
    } else if (info.type == types::Flag.type) {
        smc->write<bool>(key, bytes[0] != 0);
    } else if (info.type == types::HexData.type) {
        smc->writeData(key, bytes);
    } else {
        throw HardwareError::unsupportedControlType(key.toString(), type, info.size);
    }
}

void HardwareController::verify(KeyCode key, std::uint8_t expectedFirstByte)
{
    for (int attempt = 1; attempt <= verifyAttempts; ++attempt) {
        if (readFirstByte(key) == expectedFirstByte) {
            return;
        }
        if (attempt < verifyAttempts) {
            pause(verifyInterval);
        }
    }
    throw writeNotTaken(key);
}

void HardwareController::writeAndVerify(KeyCode key, std::span<const std::uint8_t> bytes)
{
    writeSMC(key, hexString(bytes), [&] {
        writeControlValue(key, bytes);
        std::vector<std::uint8_t> readBack;
        try {
            readBack = smc->readData(key);
        } catch (const std::exception&) {
            throw writeNotTaken(key);
        }
        if (!std::equal(readBack.begin(), readBack.end(), bytes.begin(), bytes.end())) {
            throw writeNotTaken(key);
        }
    });
}

void HardwareController::writeSwitch(KeyCode key, std::span<const std::uint8_t> bytes)
{
    writeSMC(key, hexString(bytes), [&] {
        writeControlValue(key, bytes);
        verify(key, bytes[0]);
    });
}

void HardwareController::writeSwitch(KeyCode key, std::uint8_t value)
{
    writeSwitch(key, std::array<std::uint8_t, 1>{value});
}

void HardwareController::setCharging(bool enabled)
{
    const std::optional<ChargingControl> control = chargingControl();
    if (!control) {
        throw HardwareError::unsupported("此机型不支持充电开关");
    }
    switch (*control) {
    case ChargingControl::legacyInhibit: {
        const std::uint8_t value = enabled ? chargingAllowed : chargingInhibited;
        writeSwitch("CH0B", value);
        writeSwitch("CH0C", value);
        return;
    }
    case ChargingControl::chteInhibit: {
        const std::uint8_t value = enabled ? 0x00 : 0x01;
        writeSwitch("CHTE", std::array<std::uint8_t, 4>{value, 0x00, 0x00, 0x00});
        return;
    }
    case ChargingControl::firmwareLimit:
        if (!enabled) {
            throw HardwareError::unsupported("新固件需要通过充电上限控制，而不是直接切换充电");
        }
        disableFirmwareChargeLimit();
        return;
    }
}

void HardwareController::setAdapter(bool enabled)
{
    if (!capabilities_.forceDischarge) {
        throw HardwareError::unsupported("此机型不支持主动放电");
    }
    const std::optional<AdapterControl> control = adapterControl();
    if (!control) {
        throw HardwareError::unsupported("未找到可用的适配器控制通道");
    }
    // "CHIE" switches the adapter off with 0x08, not 0x01.
    const std::uint8_t disabledValue = *control == AdapterControl::chie ? 0x08 : 0x01;
    writeSwitch(adapterKey(*control), enabled ? adapterOn : disabledValue);
}

void HardwareController::setLED(MagSafeLEDMode mode)
{
    if (!capabilities_.magSafeLED) {
        throw HardwareError::unsupported("未检测到可控制的 MagSafe LED");
    }
    const std::array<std::uint8_t, 1> bytes{static_cast<std::uint8_t>(rawValue(mode))};
    writeSMC("ACLC", hex(bytes[0]), [&] { writeControlValue("ACLC", bytes); });
}

void HardwareController::ensureFirmwareChargeLimit(int lower, int upper)
{
    if (chargingControl() != ChargingControl::firmwareLimit) {
        throw HardwareError::unsupported("此机型未提供固件充电上限控制");
    }
    if (!(lower >= 0 && upper <= 100 && lower < upper)) {
        throw HardwareError::commandFailed("无效的固件充电区间：" + std::to_string(lower) + "%–" +
                                           std::to_string(upper) + "%");
    }
    const auto upperBound = static_cast<std::uint32_t>(upper);
    const auto lowerBound = static_cast<std::uint32_t>(lower);
    const bool active = readFirstByte("bfF0") == firmwareLimitActive;
    if (active && readLittleEndianUInt32("bfD0") == upperBound && readLittleEndianUInt32("bfE0") == lowerBound) {
        return;
    }
    writeAndVerify("bfF0", std::array<std::uint8_t, 1>{firmwareLimitOff});
    writeAndVerify("bfD0", littleEndianBytes(upperBound));
    writeAndVerify("bfE0", littleEndianBytes(lowerBound));
    writeAndVerify("bfF0", std::array<std::uint8_t, 1>{firmwareLimitActive});
}

void HardwareController::disableFirmwareChargeLimit()
{
    if (chargingControl() != ChargingControl::firmwareLimit) {
        return;
    }
    if (readFirstByte("bfF0") == firmwareLimitOff) {
        return;
    }
    writeAndVerify("bfF0", std::array<std::uint8_t, 1>{firmwareLimitOff});
}

void HardwareController::restoreDefaults()
{
    const auto ignoringFailure = [](const auto& step) {
        try {
            step();
        } catch (const std::exception&) {
        }
    };
    ignoringFailure([this] { setAdapter(true); });
    // On a Mac with the firmware limit this switches the limit off.
    ignoringFailure([this] { setCharging(true); });
    ignoringFailure([this] { setLED(MagSafeLEDMode::system); });
}

PowerSnapshot HardwareController::readSnapshot() const
{
    kern_return_t registryResult = kIOReturnSuccess;
    const CFTypeRef registryValue = registryProperties(batteryService, &registryResult);
    if (registryResult == kIOReturnNotResponding) {
        throw HardwareError::commandFailed("电池信息没有响应（IOKit " + std::to_string(registryResult) + "）");
    }
    if (!batteryInstalled(registryValue)) {
        return PowerSnapshot::noBattery();
    }
    const Dictionary& registry = *registryValue->get<Dictionary>();
    const std::optional<PowerSourceInfo> powerInfo = powerSourceInfo();
    const auto registryInteger = [&registry](std::string_view key) { return member<std::int64_t>(registry, key); };

    BatterySnapshot battery;
    battery.percentage = valueOrElse(powerSourceValue<std::int64_t>(powerInfo, "Current Capacity"),
                                     [&] { return registryInteger("CurrentCapacity").value_or(0); });
    const std::optional<std::int64_t> rawCurrentCapacity = registryInteger("AppleRawCurrentCapacity");
    const std::optional<std::int64_t> rawMaxCapacity = registryInteger("AppleRawMaxCapacity");
    battery.hardwarePercentage = rawMaxCapacity && *rawMaxCapacity >= 1
                                     ? PowerMath::percentage(rawCurrentCapacity.value_or(0), *rawMaxCapacity)
                                     : battery.percentage;
    battery.isCharging = valueOrElse(powerSourceValue<bool>(powerInfo, "Is Charging"),
                                     [&] { return member<bool>(registry, "IsCharging").value_or(false); });
    battery.isFullyCharged = member<bool>(registry, "FullyCharged").value_or(false);
    const Dictionary noAdapterDetails;
    const auto adapterDetailsValue = registry.find("AdapterDetails");
    const Dictionary* adapterDetailsFound = adapterDetailsValue != registry.end() && adapterDetailsValue->second
                                                ? adapterDetailsValue->second->get<Dictionary>()
                                                : nullptr;
    const Dictionary& adapterDetails = adapterDetailsFound != nullptr ? *adapterDetailsFound : noAdapterDetails;
    const std::int64_t ratedWatts = member<std::int64_t>(adapterDetails, "Watts").value_or(0);
    battery.adapterConnected = member<bool>(registry, "ExternalConnected").value_or(false) || ratedWatts > 0;
    battery.currentCapacityMAh = rawCurrentCapacity.value_or(0);
    battery.maxCapacityMAh =
        valueOrElse(rawMaxCapacity, [&] { return registryInteger("MaxCapacity").value_or(0); });
    battery.designCapacityMAh = registryInteger("DesignCapacity").value_or(0);
    battery.macOSCapacityMAh = registryInteger("NominalChargeCapacity").value_or(battery.maxCapacityMAh);
    battery.cycleCount = registryInteger("CycleCount").value_or(0);
    battery.condition = member<std::string>(registry, "BatteryHealth").value_or("Normal");
    battery.serialNumber = member<std::string>(registry, "BatterySerialNumber").value_or("");

    const auto millis = [](std::optional<int> value) -> std::optional<double> {
        if (!value) {
            return std::nullopt;
        }
        return *value / 1000.0;
    };
    battery.voltageVolts =
        valueOrElse(millis(SMCBatteryTelemetry::voltageMillivolts(smcBytes("B0AV"), currentSMCIntegerByteOrder)),
                    [&] { return static_cast<double>(registryInteger("Voltage").value_or(0)) / 1000.0; });
    battery.currentAmps =
        valueOrElse(millis(SMCBatteryTelemetry::currentMilliamps(smcBytes("B0AC"), currentSMCIntegerByteOrder)),
                    [&] { return static_cast<double>(registryInteger("Amperage").value_or(0)) / 1000.0; });
    battery.powerWatts = battery.voltageVolts * battery.currentAmps;

    AdapterSnapshot adapter;
    adapter.connected = battery.adapterConnected;
    adapter.voltageVolts = readFloat(*smc, "VD0R").value_or(
        static_cast<double>(member<std::int64_t>(adapterDetails, "AdapterVoltage").value_or(0)) / 1000.0);
    adapter.currentAmps = readFloat(*smc, "ID0R").value_or(
        static_cast<double>(member<std::int64_t>(adapterDetails, "Current").value_or(0)) / 1000.0);
    adapter.inputWatts = std::max(0.0, adapter.voltageVolts * adapter.currentAmps);
    adapter.ratedWatts = ratedWatts;
    battery.systemLoadWatts =
        PowerMath::systemLoadWatts(adapter.voltageVolts * adapter.currentAmps, battery.powerWatts);

    battery.temperatureCelsius = batteryTemperature(powerInfo, registry);
    battery.timeRemainingMinutes = validTime(
        powerSourceValue<std::int64_t>(powerInfo, battery.isCharging ? "Time to Full Charge" : "Time to Empty"));
    battery.lowPowerModeEnabled = false;
    battery.timestamp = std::chrono::system_clock::now();

    PowerSnapshot snapshot;
    snapshot.battery = std::move(battery);
    snapshot.adapter = adapter;
    snapshot.state = ChargingState::paused;
    snapshot.stateReason = "";
    snapshot.calibrationPhase = CalibrationPhase::inactive;
    return snapshot;
}

void HardwareController::setPowerMode(PowerSourceKind source, PowerMode mode)
{
    const ChildProcess::Result result =
        ChildProcess::run(powerManagementTool(),
                          {source == PowerSourceKind::battery ? "-b" : "-c", "powermode", std::to_string(rawValue(mode))},
                          ChildProcess::Capture::standardError);
    if (result.status == 0) {
        return;
    }
    throw HardwareError::commandFailed(isValidUTF8(result.output) ? result.output : "pmset 执行失败");
}

}  // namespace velkora
