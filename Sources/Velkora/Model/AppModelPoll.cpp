// One tick of the one-second poll loop.

#include "Model/AppModel.h"

#include "ErrorDescription.h"

namespace velkora {

namespace {

constexpr int approvalAuditPeriod = 5;
constexpr int helperRetryPeriod = 2;
constexpr double snapshotFetchTimeout = 3.0;
constexpr int fetchFailuresBeforeHealthCheck = 2;
constexpr int batteryLessTicksBeforeAbsent = 10;

bool hasBattery(const PowerSnapshot& snapshot)
{
    return snapshot.state != ChargingState::unavailable;
}

bool isRetryable(const HelperStatus& status)
{
    switch (status.kind()) {
    case HelperStatus::Kind::unavailable:
    case HelperStatus::Kind::requiresApproval:
    case HelperStatus::Kind::starting:
    case HelperStatus::Kind::repairing:
    case HelperStatus::Kind::offline:
        return true;
    default:
        return false;
    }
}

}  // namespace

QCoro::Task<> AppModel::poll()
{
    if (batteryPresent()) {
        co_await pollWithBattery();
    } else {
        co_await pollWithoutBattery();
    }
}

QCoro::Task<> AppModel::pollWithoutBattery()
{
    PowerSnapshot reading = co_await monitor_->readAsync();
    if (hasBattery(reading)) {
        batteryProbeFailures_ = 0;
        // A battery that comes back starts a fresh count of battery-less
        // readings: one stray reading must not take it away again.
        batteryLossCount_ = 0;
        setBatteryAvailability(BatteryAvailability::present);
        setBatteryPresent(true);
        telemetry_->recordDesktopPower(std::nullopt, clock_->date());
        setSnapshot(std::move(reading));
        setHelperStatus(installation_.isAtExpectedLocation() ? daemon_->status() : HelperStatus::invalidLocation());
        co_await ensureMainAppRegistered();
        co_await refreshDaemonState();
        co_return;
    }

    ++batteryProbeFailures_;
    if (monitor_->batteryAbsenceConfirmed() || batteryProbeFailures_ >= batteryLessTicksBeforeAbsent) {
        setBatteryAvailability(BatteryAvailability::absent);
    }
    std::optional<DesktopPowerSample> sample = co_await desktopPowerMonitor_->readAsync();
    telemetry_->recordDesktopPower(std::move(sample), clock_->date());
    setSnapshot(std::move(reading));
    setHelperStatus(HelperStatus::unsupportedDevice());
    setHelperNeedsUpdate(false);
    setTopUpActive(false);
    setForceDischargeActive(false);
    setCalibrationActive(false);
}

QCoro::Task<> AppModel::pollWithBattery()
{
    if (++helperPermissionAuditTickCount_ >= approvalAuditPeriod) {
        helperPermissionAuditTickCount_ = 0;
        if (daemon_->status() == HelperStatus::requiresApproval()) {
            markHelperAsAwaitingApproval(false);
        }
    }

    if (isRetryable(helperStatus_)) {
        if (++helperRetryTickCount_ % helperRetryPeriod == 0) {
            const HelperStatus::Kind kind = helperStatus_.kind();
            if (kind == HelperStatus::Kind::offline || kind == HelperStatus::Kind::repairing) {
                co_await recoverDaemonIfDue();
            } else {
                co_await refreshDaemonState();
            }
        }
    } else {
        helperRetryTickCount_ = 0;
    }

    if (helperStatus_ != HelperStatus::enabled()) {
        PowerSnapshot local = co_await monitor_->readAsync();
        applyPolledSnapshot(std::move(local));
        co_return;
    }

    std::optional<PowerSnapshot> fetched;
    std::optional<QString> failure;
    try {
        fetched = co_await daemon_->fetchSnapshot(snapshotFetchTimeout);
    } catch (const std::exception& error) {
        failure = localizedDescription(error);
    }
    if (fetched) {
        consecutiveXPCFailures_ = 0;
        if (!helperNeedsUpdate_ && fetchError_ && lastError_ == fetchError_) {
            setLastError(std::nullopt);
        }
        fetchError_.reset();
        applyPolledSnapshot(std::move(*fetched));
        co_return;
    }

    ++consecutiveXPCFailures_;
    PowerSnapshot local = co_await monitor_->readAsync();
    fetchError_ = failure;
    setLastError(failure);
    if (consecutiveXPCFailures_ >= fetchFailuresBeforeHealthCheck) {
        consecutiveXPCFailures_ = 0;
        co_await refreshDaemonState();
    }
    applyPolledSnapshot(std::move(local));
}

void AppModel::applyPolledSnapshot(PowerSnapshot snapshot)
{
    if (!hasBattery(snapshot)) {
        if (++batteryLossCount_ >= batteryLessTicksBeforeAbsent) {
            setBatteryAvailability(BatteryAvailability::absent);
            setBatteryPresent(false);
            setHelperStatus(HelperStatus::unsupportedDevice());
            setSnapshot(PowerSnapshot::noBattery());
        }
        return;
    }
    batteryLossCount_ = 0;
    const bool calibrating = snapshot.calibrationPhase != CalibrationPhase::inactive;
    const bool toppingUp = snapshot.state == ChargingState::topUp;
    const bool discharging = snapshot.state == ChargingState::discharging;
    setSnapshot(std::move(snapshot));
    setCalibrationActive(calibrating);
    if (!isTopUpTransitioning_) {
        setTopUpActive(toppingUp);
    }
    if (!isDischargeTransitioning_) {
        setForceDischargeActive(discharging);
    }
    history_->append(telemetry_->snapshot().battery);
}

}  // namespace velkora
