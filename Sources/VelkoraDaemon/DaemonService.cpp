#include "DaemonService.h"

#include <VelkoraCore/CodingError.h>
#include <VelkoraCore/DaemonHealth.h>
#include <VelkoraCore/DaemonProtocolVersion.h>
#include <VelkoraCore/IPC.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>
#include <variant>

namespace velkora {

namespace {

using namespace std::chrono_literals;

constexpr auto noBatteryRefreshInterval = 30s;
constexpr auto calibrationHoldDuration = 3600s;
constexpr std::int64_t mismatchSamplesBeforeError = 5;
// More than this still flowing into the battery means an inhibit did not take.
constexpr double chargingInhibitLeakWatts = 2.0;

constexpr const char* suspendedReason = "应用已退出，充电限制已暂停";
constexpr const char* noBatteryMessage = "这台 Mac 没有内置电池";
constexpr const char* sleepAssertionName = "Tallowmere正在充电至设定上限";

// The text a failure shows the user: a hardware error's Chinese description,
// else the platform's own wording.
std::string describe(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const HardwareError& error) {
        return error.errorDescription();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Unknown error";
    }
}

// A pass is stalled once it has waited this long: the hardware answers in
// microseconds, and gives up on a call after a second.
constexpr std::int64_t stalledPassNanoseconds = 250'000'000;

std::int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string environmentValue(const char* key)
{
    const char* value = std::getenv(key);
    return value != nullptr ? std::string(value) : std::string("unknown");
}

std::string mismatchReason(double powerWatts)
{
    char text[128];
    std::snprintf(text, sizeof text, "已请求暂停充电，但仍检测到 %.1f W 流入电池", powerWatts);
    return text;
}

}  // namespace

std::shared_ptr<DaemonService> DaemonService::create()
{
    return create(Timing{});
}

std::shared_ptr<DaemonService> DaemonService::create(Timing timing)
{
    std::shared_ptr<DaemonService> service(new DaemonService(std::move(timing)));
    service->startPowerEvents();
    service->startMonitoring();
    return service;
}

DaemonService::DaemonService(Timing options)
    : timing(std::move(options)),
      queue(std::string(IPC::machServiceName) + ".state"),
      logger(std::string(IPC::machServiceName), "DaemonService"),
      policy(store.loadPolicy()),
      currentSnapshot(PowerSnapshot::noBattery()),
      publishedSnapshot(currentSnapshot)
{
    // A state left by an earlier run (charging still inhibited after a crash)
    // counts as applied, so the first pass corrects it.
    lastChargingEnabled = hardware.readChargingEnabled();
    lastAdapterEnabled = hardware.readAdapterEnabled();
    logger.info("VelkoraDaemon %s (build %s), protocol %lld; %s; capabilities %s; policy %s",
                environmentValue("TALLOWMERE_APP_VERSION"), environmentValue("TALLOWMERE_HELPER_BUILD"),
                static_cast<long long>(DaemonProtocolVersion::current), hardware.describeControls(),
                nlohmann::ordered_json(hardware.capabilities()).dump(), nlohmann::ordered_json(policy).dump());
}

void DaemonService::publish(PowerSnapshot snapshot)
{
    if (snapshot.state != currentSnapshot.state) {
        logger.info("Charging state %s -> %s: %s", rawValue(currentSnapshot.state), rawValue(snapshot.state),
                    snapshot.stateReason);
    }
    currentSnapshot = std::move(snapshot);
    std::lock_guard lock(publishedMutex);
    publishedSnapshot = currentSnapshot;
}

DaemonService::~DaemonService()
{
    queue.stop();
    powerEventMonitor.reset();
    timer.reset();
    releaseSleepAssertion();
}

void DaemonService::startPowerEvents()
{
    const std::weak_ptr<DaemonService> weakSelf = weak_from_this();
    powerEventMonitor = std::make_unique<PowerEventMonitor>(
        [weakSelf] {
            if (const auto self = weakSelf.lock()) {
                self->prepareForSleep();
            }
        },
        [weakSelf] {
            if (const auto self = weakSelf.lock()) {
                self->resumeAfterWake();
            }
        });
    powerEventMonitor->start();
}

void DaemonService::startMonitoring()
{
    const std::weak_ptr<DaemonService> weakSelf = weak_from_this();
    timer = std::make_unique<RepeatingTimer>(queue.context(), timing.pollInterval, timing.pollLeeway, [weakSelf] {
        const auto self = weakSelf.lock();
        if (!self) {
            return;
        }
        try {
            self->pollAndApplyPolicy();
        } catch (...) {
            self->logger.error("Hardware update failed: %s", describe(std::current_exception()));
        }
    });
    queue.async([weakSelf] {
        if (const auto self = weakSelf.lock()) {
            self->timer->start();
        }
    });
}

// MARK: - Protocol operations

void DaemonService::ping(TextReply reply)
{
    reply(DaemonProtocolVersion::handshake());
}

template <typename Build>
void DaemonService::replyOnQueue(DataReply reply, Build build)
{
    queue.async([self = shared_from_this(), reply = std::move(reply), build = std::move(build)] {
        try {
            reply(IPC::encode(build(*self)), std::nullopt);
        } catch (const EncodingError& error) {
            reply(std::nullopt, std::string(error.what()));
        }
    });
}

void DaemonService::health(DataReply reply)
{
    replyOnQueue(std::move(reply), [](const DaemonService& self) {
        return DaemonHealth::make(DaemonProtocolVersion::current, environmentValue("TALLOWMERE_HELPER_BUILD"),
                                  environmentValue("TALLOWMERE_APP_VERSION"), std::string(IPC::machServiceName),
                                  std::string(IPC::parentBundleIdentifier),
                                  self.hardware.capabilities().batteryPresent);
    });
}

// In turn with everything else on the queue, so that a client sees the
// outcome of what it asked before; but while a pass has been waiting for
// hardware that stopped answering, at once from the last published pass.
void DaemonService::fetchSnapshot(DataReply reply)
{
    const std::int64_t started = passStartedAt.load();
    if (started == 0 || steadyNanoseconds() - started < stalledPassNanoseconds) {
        replyOnQueue(std::move(reply),
                     [](const DaemonService& self) -> const PowerSnapshot& { return self.currentSnapshot; });
        return;
    }
    std::vector<std::uint8_t> encoded;
    try {
        std::lock_guard lock(publishedMutex);
        encoded = IPC::encode(publishedSnapshot);
    } catch (const EncodingError& error) {
        reply(std::nullopt, std::string(error.what()));
        return;
    }
    reply(std::move(encoded), std::nullopt);
}

void DaemonService::fetchCapabilities(DataReply reply)
{
    replyOnQueue(std::move(reply),
                 [](const DaemonService& self) -> const DeviceCapabilities& { return self.hardware.capabilities(); });
}

void DaemonService::fetchPolicy(DataReply reply)
{
    replyOnQueue(std::move(reply), [](const DaemonService& self) -> const ChargePolicy& { return self.policy; });
}

void DaemonService::perform(std::vector<std::uint8_t> commandData, DataReply reply)
{
    queue.async([self = shared_from_this(), commandData = std::move(commandData), reply = std::move(reply)] {
        try {
            const ControlCommand command = IPC::decode<ControlCommand>(commandData);
            if (!self->hardware.capabilities().batteryPresent &&
                !std::holds_alternative<ControlCommand::RestoreDefaults>(command.payload)) {
                throw HardwareError::unsupported(noBatteryMessage);
            }
            self->apply(command);
            try {
                self->pollAndApplyPolicy();
            } catch (...) {
                const auto* discharge = std::get_if<ControlCommand::ForceDischarge>(&command.payload);
                if (discharge != nullptr && discharge->enabled) {
                    // A forced discharge that cannot be enforced must not stay requested.
                    self->forceDischargeActive = false;
                    try {
                        self->hardware.setAdapter(true);
                    } catch (...) {
                    }
                    self->lastAdapterEnabled = true;
                    self->lastChargingEnabled.reset();
                }
                throw;
            }
            reply(IPC::encode(self->currentSnapshot), std::nullopt);
        } catch (...) {
            const std::string description = describe(std::current_exception());
            self->logger.error("Command failed: %s", description);
            reply(std::nullopt, description);
        }
    });
}

void DaemonService::apply(const ControlCommand& command)
{
    if (const auto* setPolicy = std::get_if<ControlCommand::SetPolicy>(&command.payload)) {
        ChargePolicy newPolicy = setPolicy->policy;
        newPolicy.normalize();
        if (newPolicy.chargeLimit != policy.chargeLimit) {
            topUpActive = false;
        }
        policy = newPolicy;
        store.savePolicy(policy);
    } else if (const auto* discharge = std::get_if<ControlCommand::ForceDischarge>(&command.payload)) {
        forceDischargeActive = discharge->enabled;
        if (discharge->enabled) {
            topUpActive = false;
        }
    } else if (const auto* led = std::get_if<ControlCommand::SetMagSafeLED>(&command.payload)) {
        hardware.setLED(led->mode);
        lastLEDMode = led->mode;
    } else if (const auto* powerMode = std::get_if<ControlCommand::SetPowerMode>(&command.payload)) {
        hardware.setPowerMode(powerMode->source, powerMode->mode);
    } else if (std::holds_alternative<ControlCommand::TopUp>(command.payload)) {
        topUpActive = true;
        forceDischargeActive = false;
    } else if (std::holds_alternative<ControlCommand::CancelTopUp>(command.payload)) {
        topUpActive = false;
    } else if (std::holds_alternative<ControlCommand::PauseAtCurrentLevel>(command.payload)) {
        policy.chargeLimit = std::max<std::int64_t>(currentSnapshot.battery.percentage, 20);
        policy.managementEnabled = true;
        policy.normalize();
        topUpActive = false;
        forceDischargeActive = false;
        store.savePolicy(policy);
    } else if (std::holds_alternative<ControlCommand::StartCalibration>(command.payload)) {
        calibrationPhase = CalibrationPhase::chargingToFull;
        calibrationHoldStartedAt.reset();
        topUpActive = false;
        forceDischargeActive = false;
        hasReachedLimit = false;
        lastChargingEnabled.reset();
        lastAdapterEnabled.reset();
        if (hardware.usesFirmwareChargeLimit()) {
            hardware.disableFirmwareChargeLimit();
        }
    } else if (std::holds_alternative<ControlCommand::CancelCalibration>(command.payload)) {
        calibrationPhase = CalibrationPhase::inactive;
        calibrationHoldStartedAt.reset();
        topUpActive = false;
        forceDischargeActive = false;
    } else if (std::holds_alternative<ControlCommand::RestoreDefaults>(command.payload)) {
        policy = ChargePolicy::defaultPolicy();
        store.savePolicy(policy);
        topUpActive = false;
        forceDischargeActive = false;
        hasReachedLimit = false;
        calibrationPhase = CalibrationPhase::inactive;
        calibrationHoldStartedAt.reset();
        restoreHardwareDefaults();
    }
}

void DaemonService::restoreHardwareDefaults()
{
    hardware.restoreDefaults();
    lastChargingEnabled = true;
    lastAdapterEnabled = true;
    lastLEDMode = MagSafeLEDMode::system;
}

// MARK: - Poll and enforce

void DaemonService::pollAndApplyPolicy()
{
    passStartedAt = steadyNanoseconds();
    struct PassEnd {
        std::atomic<std::int64_t>& startedAt;
        ~PassEnd() { startedAt = 0; }
    } passEnd{passStartedAt};
    const auto now = timing.now();

    if (hardware.reopenLostConnection()) {
        logger.notice("The SMC connection was opened again; %s", hardware.describeControls());
        // The SMC may have lost every value while it was away.
        lastChargingEnabled.reset();
        lastAdapterEnabled.reset();
        lastLEDMode.reset();
    }

    if (!hardware.capabilities().batteryPresent &&
        (!lastHardwareRefreshAt || now - *lastHardwareRefreshAt >= noBatteryRefreshInterval)) {
        lastHardwareRefreshAt = now;
        hardware.refreshCapabilities();
    }

    if (!hardware.capabilities().batteryPresent) {
        // A reading would be discarded here anyway, so none is taken.
        topUpActive = false;
        forceDischargeActive = false;
        hasReachedLimit = false;
        calibrationPhase = CalibrationPhase::inactive;
        calibrationHoldStartedAt.reset();
        chargingInhibitMismatchSamples = 0;
        releaseSleepAssertion();
        publish(PowerSnapshot::noBattery());
        return;
    }

    PowerSnapshot snapshot;
    try {
        snapshot = hardware.readSnapshot();
    } catch (...) {
        // The last reading stays on show, with what keeps it from being renewed.
        PowerSnapshot stale = currentSnapshot;
        stale.state = ChargingState::error;
        stale.stateReason = describe(std::current_exception());
        publish(std::move(stale));
        throw;
    }

    if (managementSuspendedForNoClient) {
        snapshot.stateReason = suspendedReason;
        publish(std::move(snapshot));
        return;
    }

    advanceCalibration(snapshot.battery);

    const PolicyDecision decision = ChargePolicyEngine::evaluate(PolicyContext{
        snapshot.battery, policy, hasReachedLimit, topUpActive, forceDischargeActive, calibrationPhase});
    hasReachedLimit = decision.reachedLimit;

    // With management off and nothing active, the daemon writes only until
    // the hardware is back in its default state.
    const bool mayWrite = policy.managementEnabled || topUpActive || forceDischargeActive ||
                          calibrationPhase != CalibrationPhase::inactive || lastChargingEnabled == false ||
                          lastAdapterEnabled == false || hardware.usesFirmwareChargeLimit();
    if (mayWrite) {
        try {
            if (hardware.capabilities().forceDischarge) {
                const std::optional<bool> reading = hardware.readAdapterEnabled();
                const bool inForce = lastAdapterEnabled == decision.adapterEnabled &&
                                     (!reading || *reading == decision.adapterEnabled);
                if (!inForce) {
                    hardware.setAdapter(decision.adapterEnabled);
                    lastAdapterEnabled = decision.adapterEnabled;
                }
            }

            if (hardware.usesFirmwareChargeLimit()) {
                reconcileFirmwareChargeLimit(decision, snapshot.battery);
                // The direct switch is not used here; its memory must never suppress a write.
                lastChargingEnabled.reset();
            } else if (hardware.capabilities().chargingControl) {
                const std::optional<bool> reading = hardware.readChargingEnabled();
                const bool powerStillFlows = !decision.chargingEnabled && decision.adapterEnabled &&
                                             snapshot.battery.powerWatts > chargingInhibitLeakWatts;
                if (!lastChargingEnabled || *lastChargingEnabled != decision.chargingEnabled ||
                    (reading && *reading != decision.chargingEnabled) || powerStillFlows) {
                    hardware.setCharging(decision.chargingEnabled);
                    lastChargingEnabled = decision.chargingEnabled;
                }
            }

            if (hardware.capabilities().magSafeLED && policy.manageMagSafeLED && lastLEDMode != decision.ledMode) {
                hardware.setLED(decision.ledMode);
                lastLEDMode = decision.ledMode;
            }
        } catch (...) {
            snapshot.state = ChargingState::error;
            snapshot.stateReason = describe(std::current_exception());
            snapshot.calibrationPhase = calibrationPhase;
            publish(std::move(snapshot));
            throw;
        }
    }

    updateSleepAssertion(decision.preventSleep);

    if (!decision.chargingEnabled && decision.adapterEnabled && snapshot.battery.adapterConnected &&
        snapshot.battery.powerWatts > chargingInhibitLeakWatts) {
        ++chargingInhibitMismatchSamples;
    } else {
        chargingInhibitMismatchSamples = 0;
    }

    if (chargingInhibitMismatchSamples >= mismatchSamplesBeforeError) {
        snapshot.state = ChargingState::error;
        snapshot.stateReason = mismatchReason(snapshot.battery.powerWatts);
    } else {
        snapshot.state = decision.state;
        snapshot.stateReason = decision.reason;
    }
    snapshot.calibrationPhase = calibrationPhase;
    publish(std::move(snapshot));
}

void DaemonService::reconcileFirmwareChargeLimit(const PolicyDecision& decision, const BatterySnapshot& battery)
{
    if (policy.managementEnabled && !topUpActive && !forceDischargeActive &&
        calibrationPhase == CalibrationPhase::inactive && decision.state != ChargingState::heatProtected) {
        // The firmware itself holds the policy's window.
        const std::int64_t upper = policy.chargeLimit;
        const std::int64_t lower = std::max<std::int64_t>(
            policy.sailingEnabled ? policy.chargeLimit - policy.sailingDelta : policy.chargeLimit - 1, 0);
        hardware.ensureFirmwareChargeLimit(static_cast<int>(lower), static_cast<int>(upper));
    } else if (decision.chargingEnabled) {
        hardware.disableFirmwareChargeLimit();
    } else {
        // Hold the battery where it is.
        const std::int64_t level = std::clamp<std::int64_t>(battery.percentage, 1, 100);
        hardware.ensureFirmwareChargeLimit(static_cast<int>(level - 1), static_cast<int>(level));
    }
}

void DaemonService::advanceCalibration(const BatterySnapshot& battery)
{
    const bool full = battery.percentage >= 100 || battery.isFullyCharged;
    switch (calibrationPhase) {
    case CalibrationPhase::inactive:
        break;
    case CalibrationPhase::chargingToFull:
        if (full) {
            calibrationPhase = CalibrationPhase::dischargingToLow;
        }
        break;
    case CalibrationPhase::dischargingToLow:
        if (battery.percentage <= 10) {
            calibrationPhase = CalibrationPhase::rechargingToFull;
        }
        break;
    case CalibrationPhase::rechargingToFull:
        if (full) {
            calibrationPhase = CalibrationPhase::holdingFull;
            calibrationHoldStartedAt = timing.now();
        }
        break;
    case CalibrationPhase::holdingFull:
        if (calibrationHoldStartedAt && timing.now() - *calibrationHoldStartedAt >= calibrationHoldDuration) {
            calibrationPhase = CalibrationPhase::restoringLimit;
            calibrationHoldStartedAt.reset();
        }
        break;
    case CalibrationPhase::restoringLimit:
        if (battery.percentage <= policy.chargeLimit) {
            calibrationPhase = CalibrationPhase::inactive;
            calibrationHoldStartedAt.reset();
        }
        break;
    }
}

void DaemonService::updateSleepAssertion(bool enabled)
{
    if (enabled && sleepAssertion == 0) {
        IOPMAssertionID identifier = 0;
        const IOReturn status = IOPMAssertionCreateWithName(kIOPMAssertionTypePreventUserIdleSystemSleep,
                                                            kIOPMAssertionLevelOn, sleepAssertionName, &identifier);
        // On failure nothing is held and the next pass tries again.
        sleepAssertion = status == kIOReturnSuccess ? identifier : 0;
    } else if (!enabled && sleepAssertion != 0) {
        releaseSleepAssertion();
    }
}

void DaemonService::releaseSleepAssertion()
{
    if (sleepAssertion != 0) {
        IOPMAssertionRelease(sleepAssertion);
        sleepAssertion = 0;
    }
}

// MARK: - Sleep, wake and clients

void DaemonService::prepareForSleep()
{
    queue.async([weakSelf = weak_from_this()] {
        const auto self = weakSelf.lock();
        if (!self) {
            return;
        }
        // On a firmware-limit Mac the bounds in force keep applying through sleep.
        if (self->policy.managementEnabled && self->policy.stopChargingBeforeSleep &&
            self->hardware.capabilities().chargingControl && !self->hardware.usesFirmwareChargeLimit()) {
            try {
                self->hardware.setCharging(false);
            } catch (...) {
            }
        }
    });
}

void DaemonService::resumeAfterWake()
{
    queue.async([weakSelf = weak_from_this()] {
        const auto self = weakSelf.lock();
        if (!self) {
            return;
        }
        self->hardware.refreshCapabilities();
        // The SMC may have lost or changed values during sleep.
        self->lastChargingEnabled.reset();
        self->lastAdapterEnabled.reset();
        self->lastLEDMode.reset();
        try {
            self->pollAndApplyPolicy();
        } catch (...) {
            self->logger.error("Wake restore failed: %s", describe(std::current_exception()));
        }
    });
}

void DaemonService::clientConnected()
{
    queue.async([self = shared_from_this()] {
        ++self->activeClientCount;
        self->managementSuspendedForNoClient = false;
        try {
            self->pollAndApplyPolicy();
        } catch (...) {
            // The pass has published the error already.
        }
    });
}

void DaemonService::clientDisconnected()
{
    queue.async([self = shared_from_this()] {
        const std::int64_t remaining = self->activeClientCount - 1;
        self->activeClientCount = std::max<std::int64_t>(remaining, 0);
        if (remaining < 1 && !self->policy.preserveWhenAppClosed) {
            self->managementSuspendedForNoClient = true;
            self->restoreHardwareDefaults();
            self->releaseSleepAssertion();
        }
    });
}

}  // namespace velkora
