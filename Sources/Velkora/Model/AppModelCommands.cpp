// Policy updates and the commands every user action sends to the daemon.

#include "Model/AppModel.h"

#include "AsyncResultRace.h"
#include "ErrorDescription.h"

#include "Services/AppLanguage.h"

#include <algorithm>

namespace velkora {

namespace {

constexpr double commandTimeout = 5.0;

}  // namespace

QString AppModel::limitMessage(std::int64_t requested, std::int64_t restored, const QString& englishSuffix,
                               const QString& chineseSuffix) const
{
    return L(QStringLiteral("Couldn’t apply ") + QString::number(requested) + QStringLiteral("%; restored ") +
                 QString::number(restored) + englishSuffix,
             QStringLiteral("未能应用 ") + QString::number(requested) + QStringLiteral("%，已恢复为 ") +
                 QString::number(restored) + chineseSuffix);
}

void AppModel::updatePolicy(const std::function<void(ChargePolicy&)>& mutation, ChangeCompletion completion)
{
    if (!requireBattery()) {
        if (completion) {
            completion(false);
        }
        return;
    }
    const ChargePolicy old = policy_;
    ChargePolicy changed = policy_;
    mutation(changed);
    changed.normalize();
    setPolicy(changed);
    const std::int64_t requested = changed.chargeLimit;
    const std::int64_t previous = old.chargeLimit;
    const bool limitChanged = requested != previous;
    if (limitChanged) {
        setChargeLimitError(std::nullopt);
        failedChargeLimit_.reset();
    }

    QString message;
    if (helperNeedsUpdate_) {
        setPolicy(old);
        message = limitChanged ? limitMessage(requested, previous, QStringLiteral("%. Update the background service first."),
                                              QStringLiteral("%。请先更新后台服务。"))
                               : L(QStringLiteral("Update the background service before changing charging settings"),
                                   QStringLiteral("请先更新后台服务，再调整充电设置"));
    } else if (helperStatus_ != HelperStatus::enabled()) {
        setPolicy(old);
        if (!limitChanged) {
            message = helperStatus_ == HelperStatus::offline()
                          ? L(QStringLiteral("The charging daemon is offline and recovering automatically; please "
                                             "retry shortly"),
                              QStringLiteral("充电后台服务离线，正在自动恢复，请稍后重试"))
                          : localized(QStringLiteral("请先安装并批准充电后台服务"));
        } else {
            switch (helperStatus_.kind()) {
            case HelperStatus::Kind::requiresApproval:
                message = limitMessage(requested, previous,
                                       QStringLiteral("%. Allow Tallowmere in System Settings → General → Login Items & "
                                                      "Extensions."),
                                       QStringLiteral("%。请在“系统设置 → 通用 → 登录项与扩展”中允许 Tallowmere。"));
                break;
            case HelperStatus::Kind::invalidLocation:
                message = limitMessage(requested, previous, QStringLiteral("%. Install Tallowmere in Applications first."),
                                       QStringLiteral("%。请先将 Tallowmere 安装到“应用程序”文件夹。"));
                break;
            case HelperStatus::Kind::offline:
            case HelperStatus::Kind::repairFailed:
                message = limitMessage(requested, previous,
                                       QStringLiteral("%. Repair the offline charging daemon, then retry."),
                                       QStringLiteral("%。充电后台服务离线，请先修复后重试。"));
                break;
            default:
                message = limitMessage(requested, previous,
                                       QStringLiteral("%. Finish the background-service approval or setup first."),
                                       QStringLiteral("%。请先完成后台服务授权或配置。"));
                break;
            }
        }
    } else {
        if (!policyBeforeUpdates_) {
            policyBeforeUpdates_ = old;
        }
        // A limit still unconfirmed from a superseded update travels with this one.
        const bool limitPending = requested != policyBeforeUpdates_->chargeLimit;
        const QUuid id = QUuid::createUuid();
        limitUpdateID_ = id;
        setLimitUpdating(limitPending);
        if (limitUpdateStop_) {
            limitUpdateStop_->request_stop();
        }
        limitUpdateStop_.emplace();
        runPolicyUpdate(weak_from_this(), daemon_, clock_, limitUpdateStop_->get_token(), id, changed,
                        *policyBeforeUpdates_, limitPending, std::move(completion));
        return;
    }

    setLastError(message);
    if (limitChanged) {
        setChargeLimitError(message);
        failedChargeLimit_ = requested;
    }
    if (completion) {
        completion(false);
    }
}

QCoro::Task<> AppModel::runPolicyUpdate(std::weak_ptr<AppModel> model, std::shared_ptr<DaemonClient> daemon,
                                        std::shared_ptr<AppClock> clock, std::stop_token stop, QUuid id,
                                        ChargePolicy updated, ChargePolicy previous, bool limitChanged,
                                        ChangeCompletion completion)
{
    std::optional<PowerSnapshot> reply;
    std::optional<QString> failure;
    if (!model.expired()) {
        try {
            std::function<QCoro::Task<PowerSnapshot>()> operation = [daemon, updated] {
                return daemon->perform(ControlCommand::setPolicy(updated), commandTimeout);
            };
            auto raced = withTimeout<PowerSnapshot>(clock, commandTimeout, std::move(operation), stop);
            reply = co_await raced;
        } catch (const CancellationError&) {
            // A newer update took over; it reports for both.
        } catch (const std::exception& error) {
            failure = localizedDescription(error);
        }
    }

    const std::shared_ptr<AppModel> self = model.lock();
    if (!self) {
        co_return;
    }
    if (reply) {
        self->setSnapshot(std::move(*reply));
        self->setLastError(std::nullopt);
        if (limitChanged) {
            self->setChargeLimitError(std::nullopt);
            self->failedChargeLimit_.reset();
        }
    } else if (failure) {
        self->setPolicy(previous);
        const QString message =
            limitChanged ? self->limitMessage(updated.chargeLimit, previous.chargeLimit, QStringLiteral("%. ") + *failure,
                                              QStringLiteral("%。") + *failure)
                         : *failure;
        self->setLastError(message);
        if (limitChanged) {
            self->setChargeLimitError(message);
            self->failedChargeLimit_ = updated.chargeLimit;
        }
    }
    if (self->limitUpdateID_ == id) {
        self->setLimitUpdating(false);
        self->limitUpdateID_.reset();
        self->policyBeforeUpdates_.reset();
    }
    if (completion && (reply || failure)) {
        completion(reply.has_value());
    }
}

void AppModel::resolveChargeLimitFailure()
{
    if (helperStatus_ == HelperStatus::enabled() && !helperNeedsUpdate_) {
        if (const std::optional<std::int64_t> limit = failedChargeLimit_) {
            updatePolicy([limit = *limit](ChargePolicy& policy) {
                policy.managementEnabled = true;
                policy.chargeLimit = limit;
            });
        }
        return;
    }
    performPrimaryHelperAction();
}

void AppModel::topUp()
{
    if (!requireBattery()) {
        return;
    }
    if (helperStatus_ != HelperStatus::enabled()) {
        setLastError(localized(QStringLiteral("临时充满需要先安装并批准充电后台服务")));
        setTopUpActive(false);
        return;
    }
    if (helperNeedsUpdate_) {
        setLastError(localized(QStringLiteral("请先更新后台服务，再使用临时充满")));
        setTopUpActive(false);
        return;
    }
    const bool before = isTopUpActive_;
    const bool start = !before;
    setTopUpActive(start);
    setTopUpTransitioning(true);
    runTopUp(shared_from_this(), start, before);
}

QCoro::Task<> AppModel::runTopUp(std::shared_ptr<AppModel> model, bool start, bool before)
{
    try {
        PowerSnapshot reply = co_await model->daemon_->perform(
            start ? ControlCommand::topUp() : ControlCommand::cancelTopUp(), commandTimeout);
        const bool toppingUp = reply.state == ChargingState::topUp;
        model->setSnapshot(std::move(reply));
        model->setTopUpActive(start && toppingUp);
        model->setLastError(std::nullopt);
    } catch (const std::exception& error) {
        model->setTopUpActive(before);
        model->setLastError(localizedDescription(error));
    }
    model->setTopUpTransitioning(false);
}

void AppModel::forceDischarge()
{
    if (!requireBattery()) {
        return;
    }
    std::optional<QString> refusal;
    if (helperStatus_ != HelperStatus::enabled()) {
        refusal = localized(QStringLiteral("主动放电需要先安装并批准充电后台服务"));
    } else if (helperNeedsUpdate_) {
        refusal = localized(QStringLiteral("请先更新后台服务，再启动主动放电"));
    } else if (!capabilities_.forceDischarge) {
        refusal = localized(QStringLiteral("这台 Mac 未检测到可用的主动放电控制通道"));
    }
    if (refusal) {
        setLastError(refusal);
        setForceDischargeActive(false);
        return;
    }
    const bool before = isForceDischargeActive_;
    const bool enable = !before;
    setForceDischargeActive(enable);
    setDischargeTransitioning(true);
    runForceDischarge(shared_from_this(), enable, before);
}

QCoro::Task<> AppModel::runForceDischarge(std::shared_ptr<AppModel> model, bool enable, bool before)
{
    try {
        PowerSnapshot reply = co_await model->daemon_->perform(ControlCommand::forceDischarge(enable), commandTimeout);
        const bool discharging = reply.state == ChargingState::discharging;
        const QString reason = QString::fromStdString(reply.stateReason);
        model->setSnapshot(std::move(reply));
        if (enable) {
            model->setForceDischargeActive(discharging);
            if (discharging) {
                model->setLastError(std::nullopt);
            } else {
                model->setLastError(reason.isEmpty() ? localized(QStringLiteral("主动放电未能启动")) : localized(reason));
            }
        } else {
            model->setForceDischargeActive(false);
            model->setLastError(std::nullopt);
        }
    } catch (const std::exception& error) {
        model->setForceDischargeActive(before);
        model->setLastError(localized(QStringLiteral("主动放电失败：%@"), localizedDescription(error)));
    }
    model->setDischargeTransitioning(false);
}

void AppModel::pauseCharging()
{
    send(ControlCommand::pauseAtCurrentLevel());
}

// A hold changes the daemon's policy itself: it switches management on and
// takes the level of its own last reading as the limit. The next change of
// any rule starts from the published policy, so that policy must be the
// daemon's; the one from before the hold would switch the hold off again.
QCoro::Task<> AppModel::adoptHeldPolicy()
{
    const std::int64_t heldLevel = telemetry_->snapshot().battery.percentage;
    std::optional<ChargePolicy> held;
    try {
        held = co_await daemon_->fetchPolicy();
    } catch (const std::exception&) {
        // The daemon's rule, from the level of its answer.
        held = policy_;
        held->managementEnabled = true;
        held->chargeLimit = std::max<std::int64_t>(heldLevel, 20);
        held->normalize();
    }
    // A change made meanwhile was sent after the hold and already carries it.
    if (!limitUpdateID_) {
        setPolicy(*held);
    }
}

void AppModel::startCalibration()
{
    setCalibrationActive(true);
    send(ControlCommand::startCalibration());
}

void AppModel::cancelCalibration()
{
    setCalibrationActive(false);
    send(ControlCommand::cancelCalibration());
}

void AppModel::setPowerMode(PowerSourceKind source, PowerMode mode)
{
    send(ControlCommand::setPowerMode(source, mode));
}

void AppModel::setMagSafeLED(MagSafeLEDMode mode, ChangeCompletion completion)
{
    send(ControlCommand::setMagSafeLED(mode), std::move(completion));
}

void AppModel::send(ControlCommand command, ChangeCompletion completion)
{
    const bool usable = requireBattery() && helperStatus_ == HelperStatus::enabled() && !helperNeedsUpdate_;
    if (!usable) {
        if (batteryPresent()) {
            setLastError(localized(helperStatus_ != HelperStatus::enabled()
                                       ? QStringLiteral("请先安装并批准充电后台服务")
                                       : QStringLiteral("请先更新后台服务，再执行此操作")));
        }
        if (completion) {
            completion(false);
        }
        return;
    }
    runSend(shared_from_this(), std::move(command), std::move(completion));
}

QCoro::Task<> AppModel::runSend(std::shared_ptr<AppModel> model, ControlCommand command,
                                ChangeCompletion completion)
{
    const bool holds = std::holds_alternative<ControlCommand::PauseAtCurrentLevel>(command.payload);
    bool applied = false;
    try {
        PowerSnapshot reply = co_await model->daemon_->perform(std::move(command), commandTimeout);
        model->setSnapshot(std::move(reply));
        model->setCalibrationActive(model->snapshot().calibrationPhase != CalibrationPhase::inactive);
        model->setLastError(std::nullopt);
        applied = true;
    } catch (const std::exception& error) {
        model->setLastError(localizedDescription(error));
    }
    if (applied && holds) {
        co_await model->adoptHeldPolicy();
    }
    if (completion) {
        completion(applied);
    }
}

}  // namespace velkora
