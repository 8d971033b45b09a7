// The helper daemon's lifecycle: registration, bundle checks, health and
// compatibility, the approval wait, automatic recovery, repair, installation.

#include "Model/AppModel.h"

#include "ErrorDescription.h"

#include "Foundation/NSError.h"
#include "Services/AppIdentity.h"
#include "Services/AppInstallationError.h"
#include "Services/AppLanguage.h"
#include "UserDefaults/UserDefaults.h"
#include "VelkoraCore/DaemonProtocolVersion.h"
#include "VelkoraCore/HelperRecoveryPolicy.h"
#include "VelkoraCore/IPC.h"

namespace velkora {

namespace {

const QString awaitingApprovalKey = QStringLiteral("helperAwaitingSystemApproval");
const QString healthyBuildKey = QStringLiteral("healthyHelperBuild");

constexpr double healthTimeout = 3.0;
constexpr double checkSnapshotTimeout = 10.0;
constexpr double restoreDefaultsTimeout = 5.0;
constexpr std::chrono::seconds firstRecoveryDelay{2};
constexpr std::chrono::milliseconds registrationSettleDelay{750};

QString approvalMessage()
{
    return L(QStringLiteral("Allow Tallowmere to run in the background in System Settings → General → Login Items & "
                            "Extensions"),
             QStringLiteral("请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere 在后台运行"));
}

}  // namespace

bool AppModel::requireBattery()
{
    if (!batteryPresent()) {
        setLastError(L(QStringLiteral("This Mac has no built-in battery, so charging controls are not applicable."),
                       QStringLiteral("这台 Mac 没有内置电池，无需使用充电控制功能。")));
    }
    return batteryPresent();
}

QCoro::Task<bool> AppModel::validateInstallationForService()
{
    try {
        installation_.validateCurrentBundle();
        co_return true;
    } catch (const AppInstallationError& error) {
        if (error.kind() == AppInstallationError::Kind::invalidLocation) {
            setHelperStatus(HelperStatus::invalidLocation());
            setLastError(error.errorDescription());
            co_return false;
        }
        const QString description = error.errorDescription();
        setHelperStatus(HelperStatus::unavailable(description));
        setLastError(description);
    } catch (const std::exception& error) {
        const QString description = localizedDescription(error);
        setHelperStatus(HelperStatus::unavailable(description));
        setLastError(description);
    }
    co_return false;
}

void AppModel::markHelperAsAwaitingApproval(bool openSettings)
{
    isAwaitingSystemApproval_ = true;
    platform::UserDefaults::standard().set(awaitingApprovalKey, true);
    recoveryAttempt_ = 0;
    nextRecoveryAt_.reset();
    setHelperStatus(HelperStatus::requiresApproval());
    setLastError(approvalMessage());
    if (openSettings) {
        openHelperApprovalSettings();
    }
}

void AppModel::clearHelperApprovalWait()
{
    isAwaitingSystemApproval_ = false;
    platform::UserDefaults::standard().removeObject(awaitingApprovalKey);
    presenter_->hideApprovalGuide(true);
}

void AppModel::openHelperApprovalSettings()
{
    openLoginItems_();
    presenter_->showApprovalGuide(*this);
}

QCoro::Task<> AppModel::refreshDaemonState()
{
    const std::shared_ptr<AppModel> self = shared_from_this();
    if (!batteryPresent()) {
        setHelperStatus(HelperStatus::unsupportedDevice());
        setHelperNeedsUpdate(false);
        co_return;
    }
    const bool mayRunHelper = co_await validateInstallationForService();
    if (!mayRunHelper) {
        co_return;
    }

    const HelperStatus registration = daemon_->status();
    if (registration == HelperStatus::requiresApproval()) {
        markHelperAsAwaitingApproval(false);
        co_return;
    }
    if (isAwaitingSystemApproval_) {
        // A registration that the system has not listed yet still waits for approval.
        if (registration == HelperStatus::notInstalled()) {
            markHelperAsAwaitingApproval(false);
            co_return;
        }
        if (registration == HelperStatus::enabled()) {
            clearHelperApprovalWait();
        }
    }
    setHelperStatus(registration);
    if (registration != HelperStatus::enabled()) {
        co_return;
    }

    setHelperStatus(HelperStatus::starting());
    DaemonHealth health;
    try {
        health = co_await daemon_->health(healthTimeout);
    } catch (const std::exception&) {
        markUnresponsive();
        co_return;
    }

    const HelperCompatibility compatibility =
        health.compatibility(AppIdentity::build(), DaemonProtocolVersion::current, IPC::machServiceName,
                             IPC::parentBundleIdentifier);
    setHelperNeedsUpdate(requiresUpdate(compatibility));
    if (helperNeedsUpdate_) {
        if (isRepairingRegistration_) {
            const QString text = L(QStringLiteral("The daemon is still incompatible after registration; contact support"),
                                   QStringLiteral("后台服务重新注册后仍不兼容，请联系支持"));
            setHelperStatus(HelperStatus::repairFailed(text));
            setLastError(text);
        } else {
            setHelperStatus(HelperStatus::versionMismatch());
            if (compatibility == HelperCompatibility::incompatibleProtocol) {
                setLastError(L(QStringLiteral("The daemon protocol is older. Restart your Mac first so the new service "
                                              "loads without replacing its existing approval; repair manually only if "
                                              "the warning remains."),
                               QStringLiteral("后台服务协议较旧。请先重启 Mac，系统会在保留现有后台权限的情况下加载新版服务；"
                                              "若重启后仍有提示，再手动修复。")));
            } else {
                setLastError(L(QStringLiteral("The daemon identity does not match this app. Repair it manually, then "
                                              "approve it again."),
                               QStringLiteral("后台服务身份与当前应用不一致，请手动修复后重新批准。")));
            }
        }
        co_return;
    }
    if (compatibility == HelperCompatibility::staleBuild) {
        helperLogger_.notice("Keeping approved helper registration appBuild=%{public}s runningHelperBuild=%{public}s",
                             AppIdentity::build(), health.helperBuild());
    }

    auto policyFetch = daemon_->fetchPolicy();
    auto capabilitiesFetch = daemon_->fetchCapabilities();
    PowerSnapshot fetched;
    bool policyFailed = false;
    try {
        ChargePolicy daemonPolicy = co_await policyFetch;
        // While a policy update is in flight the published policy is the one
        // being sent: the daemon's copy is older, and showing it would make
        // the next change start from it.
        if (!limitUpdateID_) {
            setPolicy(daemonPolicy);
        }
    } catch (const std::exception&) {
        policyFailed = true;
    }
    if (policyFailed) {
        try {
            co_await capabilitiesFetch;
        } catch (const std::exception&) {
            // Its result goes with the failed check.
        }
        markUnresponsive();
        co_return;
    }
    try {
        DeviceCapabilities daemonCapabilities = co_await capabilitiesFetch;
        daemonCapabilities.batteryPresent = batteryPresent();
        setCapabilities(daemonCapabilities);
        fetched = co_await daemon_->fetchSnapshot(checkSnapshotTimeout);
    } catch (const std::exception&) {
        markUnresponsive();
        co_return;
    }
    markHealthy(health, std::move(fetched));
}

void AppModel::markHealthy(const DaemonHealth& health, PowerSnapshot snapshot)
{
    const bool calibrating = snapshot.calibrationPhase != CalibrationPhase::inactive;
    const bool toppingUp = snapshot.state == ChargingState::topUp;
    const bool discharging = snapshot.state == ChargingState::discharging;
    setSnapshot(std::move(snapshot));
    setCalibrationActive(calibrating);
    setTopUpActive(toppingUp);
    setForceDischargeActive(discharging);
    setHelperStatus(HelperStatus::enabled());
    clearHelperApprovalWait();
    const std::optional<std::string> hardwareError = health.hardwareError();
    setLastError(hardwareError ? std::optional<QString>(QString::fromStdString(*hardwareError)) : std::nullopt);
    recoveryAttempt_ = 0;
    nextRecoveryAt_.reset();
    platform::UserDefaults::standard().set(healthyBuildKey, QString::fromStdString(health.helperBuild()));
    helperLogger_.info("Helper healthy app=%{public}s appBuild=%{public}s helperBuild=%{public}s service=%{public}s",
                       AppIdentity::version(), AppIdentity::build(), health.helperBuild(),
                       std::string(IPC::machServiceName));
}

void AppModel::markUnresponsive()
{
    if (isAwaitingSystemApproval_) {
        markHelperAsAwaitingApproval(false);
        return;
    }
    setHelperStatus(HelperStatus::offline());
    scheduleRecoveryIfNeeded();
    setLastError(L(QStringLiteral("The charging daemon is not responding; auto-recovery in progress…"),
                   QStringLiteral("充电后台服务无响应，正在自动尝试恢复…")));
}

void AppModel::scheduleRecoveryIfNeeded()
{
    if (!nextRecoveryAt_) {
        nextRecoveryAt_ = clock_->now() + firstRecoveryDelay;
    }
}

QCoro::Task<> AppModel::recoverDaemonIfDue()
{
    const HelperStatus::Kind kind = helperStatus_.kind();
    if ((kind != HelperStatus::Kind::offline && kind != HelperStatus::Kind::repairing) || !nextRecoveryAt_ ||
        clock_->now() < *nextRecoveryAt_) {
        co_return;
    }
    // A registration repair owns the connection until it ends; dropping it
    // under the repair would fail the repair's own health check.
    if (isRepairingRegistration_) {
        co_return;
    }
    const std::optional<std::chrono::seconds> delay = HelperRecoveryPolicy::delay(recoveryAttempt_);
    if (!delay) {
        const QString text = L(QStringLiteral("Automatic repair stopped; choose Repair Now or check background permissions"),
                               QStringLiteral("自动修复已停止，请点“立即修复”或检查系统后台运行权限"));
        setHelperStatus(HelperStatus::repairFailed(text));
        setLastError(text);
        co_return;
    }
    const std::shared_ptr<AppModel> self = shared_from_this();
    setHelperStatus(HelperStatus::repairing());
    ++recoveryAttempt_;
    helperLogger_.notice("Helper recovery attempt %{public}ld", static_cast<long>(recoveryAttempt_));
    daemon_->invalidateConnection();
    co_await refreshDaemonState();
    if (helperStatus_ != HelperStatus::enabled() && helperStatus_ != HelperStatus::requiresApproval()) {
        nextRecoveryAt_ = clock_->now() + *delay;
    }
}

QCoro::Task<> AppModel::repairHelperRegistration(QString reason)
{
    const std::shared_ptr<AppModel> self = shared_from_this();
    if (!requireBattery() || isRepairingRegistration_) {
        co_return;
    }
    // Taken before the first suspension, so that a second click while the
    // bundle is being checked finds the repair already running.
    isRepairingRegistration_ = true;
    const bool mayRunHelper = co_await validateInstallationForService();
    if (!mayRunHelper) {
        isRepairingRegistration_ = false;
        co_return;
    }
    setHelperStatus(HelperStatus::repairing());
    helperLogger_.notice("Repairing helper reason=%{public}s appBuild=%{public}s", reason.toStdString(),
                         AppIdentity::build());
    daemon_->invalidateConnection();

    try {
        const HelperStatus registration = daemon_->status();
        if (registration == HelperStatus::requiresApproval()) {
            markHelperAsAwaitingApproval(false);
            isRepairingRegistration_ = false;
            co_return;
        }
        if (registration != HelperStatus::notInstalled()) {
            daemon_->uninstall();
        }
        clearHelperApprovalWait();
        setHelperStatus(HelperStatus::notInstalled());
        setHelperNeedsUpdate(false);
        co_await ensureMainAppRegistered();
        const HelperStatus installed = daemon_->install();
        setHelperStatus(installed);
        if (installed == HelperStatus::requiresApproval()) {
            markHelperAsAwaitingApproval(false);
            isRepairingRegistration_ = false;
            co_return;
        }
    } catch (const std::exception& error) {
        handleRepairFailure(error);
        isRepairingRegistration_ = false;
        co_return;
    }
    co_await clock_->sleep(registrationSettleDelay);
    co_await refreshDaemonState();
    isRepairingRegistration_ = false;
}

void AppModel::handleRepairFailure(const std::exception& error)
{
    if (DaemonClient::isApprovalRequiredError(error)) {
        markHelperAsAwaitingApproval(false);
        helperLogger_.notice("Helper repair paused for system approval: %{public}s",
                             localizedDescription(error).toStdString());
        return;
    }
    if (DaemonClient::isRegistrationDatabaseBlockedError(error)) {
        clearHelperApprovalWait();
        const QString text =
            L(QStringLiteral("The macOS background-service registration is inconsistent. Restart your Mac; if it still "
                             "fails, contact support to reset Background Items."),
              QStringLiteral("macOS 后台服务注册记录异常。请重启 Mac；若重启后仍失败，请联系支持执行后台项目重置。"));
        setLastError(text);
        setHelperStatus(HelperStatus::repairFailed(text));
        const auto* platformError = dynamic_cast<const platform::NSError*>(&error);
        helperLogger_.error("Helper registration database rejected repair domain=%{public}s code=%{public}ld",
                            platformError ? platformError->domain() : std::string(),
                            platformError ? platformError->code() : 0L);
        return;
    }
    const QString description = localizedDescription(error);
    setLastError(localized(QStringLiteral("后台服务更新失败：%@"), description));
    setHelperStatus(HelperStatus::repairFailed(description));
    helperLogger_.error("Helper repair failed: %{public}s", description.toStdString());
}

void AppModel::performPrimaryHelperAction()
{
    switch (helperStatus_.kind()) {
    case HelperStatus::Kind::repairFailed:
    case HelperStatus::Kind::versionMismatch:
    case HelperStatus::Kind::offline:
        recoveryAttempt_ = 0;
        runRepair(shared_from_this(), QStringLiteral("manual-repair"));
        return;
    case HelperStatus::Kind::notInstalled:
    case HelperStatus::Kind::unavailable:
        installHelper();
        return;
    case HelperStatus::Kind::requiresApproval:
        // A registration that vanished while its approval was awaited leaves
        // nothing to approve in System Settings: register it again first.
        if (daemon_->status() == HelperStatus::notInstalled()) {
            installHelper();
        } else {
            openHelperApprovalSettings();
        }
        return;
    case HelperStatus::Kind::invalidLocation:
        installApplicationAndRelaunch();
        return;
    case HelperStatus::Kind::unsupportedDevice:
    case HelperStatus::Kind::starting:
    case HelperStatus::Kind::enabled:
    case HelperStatus::Kind::repairing:
        return;
    }
}

QCoro::Task<> AppModel::runRepair(std::shared_ptr<AppModel> model, QString reason)
{
    co_await model->repairHelperRegistration(std::move(reason));
}

void AppModel::installHelper()
{
    if (!requireBattery()) {
        return;
    }
    if (!installation_.isAtExpectedLocation()) {
        setHelperStatus(HelperStatus::invalidLocation());
        setLastError(AppInstallationError::invalidLocation().errorDescription());
        return;
    }
    isAwaitingSystemApproval_ = true;
    try {
        const HelperStatus installed = daemon_->install();
        setHelperStatus(installed);
        if (installed == HelperStatus::requiresApproval()) {
            markHelperAsAwaitingApproval(true);
            return;
        }
    } catch (const std::exception& error) {
        if (DaemonClient::isApprovalRequiredError(error)) {
            markHelperAsAwaitingApproval(true);
            return;
        }
        clearHelperApprovalWait();
        const QString description = localizedDescription(error);
        setLastError(description);
        setHelperStatus(HelperStatus::unavailable(description));
        return;
    }
    runInstallFollowUp(shared_from_this());
}

QCoro::Task<> AppModel::runInstallFollowUp(std::shared_ptr<AppModel> model)
{
    co_await model->refreshDaemonState();
    if (model->helperStatus() == HelperStatus::requiresApproval()) {
        model->openHelperApprovalSettings();
    }
}

void AppModel::installApplicationAndRelaunch()
{
    try {
        installation_.installAndRelaunch();
    } catch (const std::exception& error) {
        const QString description = localizedDescription(error);
        setLastError(L(QStringLiteral("Automatic installation failed: ") + description +
                           QStringLiteral(". Move Tallowmere to Applications and reopen it."),
                       QStringLiteral("自动安装失败：") + description +
                           QStringLiteral("。请将 Tallowmere 拖到“应用程序”后重新打开。")));
        installation_.revealApplicationsFolder();
    }
}

void AppModel::uninstallHelper()
{
    if (isUninstallingHelper_) {
        return;
    }
    setUninstallingHelper(true);
    runUninstall(shared_from_this());
}

QCoro::Task<> AppModel::runUninstall(std::shared_ptr<AppModel> model)
{
    try {
        co_await model->daemon_->perform(ControlCommand::restoreDefaults(), restoreDefaultsTimeout);
    } catch (const std::exception&) {
        // The helper may be the very thing that is broken; it goes all the same.
    }
    try {
        model->daemon_->uninstall();
    } catch (const std::exception& error) {
        model->setLastError(localizedDescription(error));
        model->setUninstallingHelper(false);
        co_return;
    }
    model->clearHelperApprovalWait();
    model->setHelperStatus(HelperStatus::notInstalled());
    model->setUninstallingHelper(false);
}

}  // namespace velkora
