#include "FakeHardware.h"

#include "HardwareController.h"
#include "PowerEventMonitor.h"

#include <IOKit/pwr_mgt/IOPMLib.h>

#include <algorithm>
#include <chrono>
#include <utility>

using velkora::HardwareController;
using velkora::HardwareError;

FakeHardware& FakeHardware::shared()
{
    static FakeHardware hardware;
    return hardware;
}

void FakeHardware::reset()
{
    std::lock_guard lock(mutex);
    capabilities = {true, true, true, true, false};
    firmwareLimit = false;
    chargingReading = true;
    adapterReading = true;
    reading = {};
    reading.battery.percentage = 50;
    reading.battery.hardwarePercentage = 50;
    reading.battery.adapterConnected = true;
    reading.battery.condition = "Normal";
    reading.adapter.connected = true;
    reading.state = velkora::ChargingState::paused;
    writes.clear();
    failingWrite.reset();
    failingRead.reset();
    connectionLost = false;
    assertionsCreated = 0;
    heldAssertions.clear();
}

std::vector<std::string> FakeHardware::takeWrites()
{
    std::lock_guard lock(mutex);
    return std::exchange(writes, {});
}

namespace {

FakeHardware& fake()
{
    return FakeHardware::shared();
}

// Records a write, or fails it when the test asked for that.
void write(const std::string& record)
{
    std::lock_guard lock(fake().mutex);
    if (fake().failingWrite && record.starts_with(*fake().failingWrite)) {
        throw HardwareError::unsupported(*fake().failingWrite + " failed");
    }
    fake().writes.push_back(record);
}

}  // namespace

namespace velkora {

HardwareController::HardwareController() {}

HardwareController::~HardwareController() = default;

void HardwareController::refreshCapabilities()
{
    write("refresh");
}

const DeviceCapabilities& HardwareController::capabilities() const
{
    std::lock_guard lock(fake().mutex);
    return fake().capabilities;
}

std::string HardwareController::describeControls() const
{
    return "the test's fake hardware";
}

bool HardwareController::usesFirmwareChargeLimit() const
{
    std::lock_guard lock(fake().mutex);
    return fake().firmwareLimit;
}

std::optional<bool> HardwareController::readChargingEnabled() const
{
    std::lock_guard lock(fake().mutex);
    return fake().chargingReading;
}

std::optional<bool> HardwareController::readAdapterEnabled() const
{
    std::lock_guard lock(fake().mutex);
    return fake().adapterReading;
}

void HardwareController::setCharging(bool enabled)
{
    write(std::string("charging ") + (enabled ? "1" : "0"));
    std::lock_guard lock(fake().mutex);
    fake().chargingReading = enabled;
}

void HardwareController::setAdapter(bool enabled)
{
    write(std::string("adapter ") + (enabled ? "1" : "0"));
    std::lock_guard lock(fake().mutex);
    fake().adapterReading = enabled;
}

void HardwareController::setLED(MagSafeLEDMode mode)
{
    write("led " + std::to_string(rawValue(mode)));
}

void HardwareController::ensureFirmwareChargeLimit(int lower, int upper)
{
    write("limit " + std::to_string(lower) + " " + std::to_string(upper));
}

void HardwareController::disableFirmwareChargeLimit()
{
    write("limit off");
}

void HardwareController::restoreDefaults()
{
    write("restore");
}

bool HardwareController::reopenLostConnection()
{
    std::lock_guard lock(fake().mutex);
    if (!fake().connectionLost || fake().failingRead) {
        return false;
    }
    fake().connectionLost = false;
    fake().writes.push_back("reopen");
    return true;
}

PowerSnapshot HardwareController::readSnapshot() const
{
    std::lock_guard lock(fake().mutex);
    if (fake().failingRead) {
        throw HardwareError::commandFailed(*fake().failingRead);
    }
    PowerSnapshot snapshot = fake().reading;
    snapshot.battery.timestamp = std::chrono::system_clock::now();
    return snapshot;
}

void HardwareController::setPowerMode(PowerSourceKind source, PowerMode mode)
{
    write("power mode " + std::string(rawValue(source)) + " " + std::to_string(rawValue(mode)));
}

PowerEventMonitor::PowerEventMonitor(std::function<void()> willSleep, std::function<void()> didWake)
{
    std::lock_guard lock(fake().mutex);
    fake().willSleep = std::move(willSleep);
    fake().didWake = std::move(didWake);
}

PowerEventMonitor::~PowerEventMonitor() = default;

void PowerEventMonitor::start() {}

void PowerEventMonitor::stop() {}

}  // namespace velkora

IOReturn IOPMAssertionCreateWithName(const char* type, IOPMAssertionLevel level, const char* name,
                                     IOPMAssertionID* identifier)
{
    std::lock_guard lock(fake().mutex);
    fake().heldAssertions.push_back(std::string(type) + " " + std::to_string(level) + " " + name);
    *identifier = static_cast<IOPMAssertionID>(++fake().assertionsCreated);
    return kIOReturnSuccess;
}

IOReturn IOPMAssertionRelease(IOPMAssertionID)
{
    std::lock_guard lock(fake().mutex);
    fake().heldAssertions.clear();
    return kIOReturnSuccess;
}
