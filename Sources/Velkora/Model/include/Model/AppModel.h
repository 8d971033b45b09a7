#pragma once

#include "Model/AppModelPresenter.h"
#include "Model/BatteryAvailability.h"

#include "Log/Logger.h"
#include "Services/AppClock.h"
#include "Services/AppSettings.h"
#include "Services/BatteryMonitor.h"
#include "Services/DaemonClient.h"
#include "Services/DesktopPowerMonitor.h"
#include "Services/HelperStatus.h"
#include "Services/HighEnergyService.h"
#include "Services/HistoryStore.h"
#include "Services/ScheduleStore.h"
#include "Services/TelemetryStore.h"
#include "VelkoraCore/ChargePolicy.h"
#include "VelkoraCore/DaemonHealth.h"
#include "VelkoraCore/DeviceCapabilities.h"
#include "VelkoraCore/MagSafeLEDMode.h"
#include "VelkoraCore/PowerMode.h"
#include "VelkoraCore/PowerSourceKind.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace platform {
class SMAppService;
}

namespace velkora {

// The running bundle's installation, as the model checks and repairs it.
// Defaults to AppInstallation's checks of the running bundle.
struct HelperInstallation {
    std::function<bool()> isAtExpectedLocation;
    // Throws AppInstallationError (or a file or property-list error).
    std::function<void()> validateCurrentBundle;
    // Throws when the copy into /Applications fails.
    std::function<void()> installAndRelaunch;
    // Shows the folder that should hold the application.
    std::function<void()> revealApplicationsFolder;

    static HelperInstallation runningBundle();
};

// The application's central model: the one main-thread object that every
// page, the popover, the status item and the overlay read, and through which
// every user action travels to the helper daemon.
//
// State: each published property has a getter and a change signal, emitted
// after objectWillChange() and only when the value changes. Views may set
// lastError and chargeLimitError (to dismiss a banner); everything else
// changes through the operations below.
//
// Life: create() builds the model and starts its work: a poll loop (one pass,
// then a one-second sleep on the clock), a 30-second scheduler loop, a
// re-check of the helper whenever the application becomes active, and a
// one-time start-up task (notification permission, installation check,
// login item unless the user switched it off, helper health, energy list).
// The loops hold the model weakly:
// when the last owner lets go, a pass in progress finishes, the model is
// destroyed and the loops stop.
//
// Threads: main thread only. Operations return at once and carry on in
// coroutines on the main thread; nothing here blocks. Every wait goes
// through clock(), so a test with a ManualAppClock drives the loops, the
// recovery back-off and the daemon time-outs.
//
// Failures: user-facing failures end as texts in lastError (the general
// banner) and chargeLimitError (the charge-limit control), in the user's
// language; no operation throws.
class AppModel : public QObject, public std::enable_shared_from_this<AppModel> {
    Q_OBJECT
public:
    // What the model works with. Anything left empty is made by create():
    // the system clock, a daemon client on the clock's time-outs, the
    // application's own login item, a presenter that shows nothing, and the
    // running bundle's installation checks.
    struct Services {
        std::shared_ptr<AppClock> clock;
        std::shared_ptr<DaemonClient> daemon;
        std::shared_ptr<platform::SMAppService> mainApp;
        std::shared_ptr<AppModelPresenter> presenter;
        std::optional<HelperInstallation> installation;
        // Opens the Login Items page of System Settings.
        std::function<void()> openLoginItems;
    };

    static constexpr std::chrono::seconds pollInterval{1};
    static constexpr std::chrono::seconds schedulerInterval{30};

    // Builds the model (settings, stores, monitors, daemon client), reads the
    // battery once and starts the loops and the start-up task.
    static std::shared_ptr<AppModel> create(Services services = {});
    ~AppModel() override;

    // Published state.
    const ChargePolicy& policy() const { return policy_; }
    const DeviceCapabilities& capabilities() const { return capabilities_; }
    BatteryAvailability batteryAvailability() const { return batteryAvailability_; }
    const HelperStatus& helperStatus() const { return helperStatus_; }
    bool helperNeedsUpdate() const { return helperNeedsUpdate_; }
    const std::optional<QString>& lastError() const { return lastError_; }
    void setLastError(std::optional<QString> value);
    const std::optional<QString>& chargeLimitError() const { return chargeLimitError_; }
    void setChargeLimitError(std::optional<QString> value);
    const QList<EnergyApplication>& highEnergyApps() const { return highEnergyApps_; }
    bool isTopUpActive() const { return isTopUpActive_; }
    bool isForceDischargeActive() const { return isForceDischargeActive_; }
    bool isCalibrationActive() const { return isCalibrationActive_; }
    bool isDischargeTransitioning() const { return isDischargeTransitioning_; }
    bool isLimitUpdating() const { return isLimitUpdating_; }
    bool isTopUpTransitioning() const { return isTopUpTransitioning_; }
    // From uninstallHelper() until the helper is unregistered or that failed.
    bool isUninstallingHelper() const { return isUninstallingHelper_; }

    // capabilities().batteryPresent.
    bool batteryPresent() const { return capabilities_.batteryPresent; }
    // The telemetry store's latest snapshot.
    const PowerSnapshot& snapshot() const { return telemetry_->snapshot(); }
    // Whether the helper's registration waits for the user's approval; kept
    // in the user defaults under "helperAwaitingSystemApproval".
    bool isAwaitingSystemApproval() const { return isAwaitingSystemApproval_; }

    // The services the views share with the model; they live as long as it.
    AppSettings& settings() const { return *settings_; }
    HistoryStore& history() const { return *history_; }
    ScheduleStore& schedules() const { return *schedules_; }
    TelemetryStore& telemetry() const { return *telemetry_; }
    // The application's clock; views time their own delays on it.
    AppClock& clock() const { return *clock_; }
    const std::shared_ptr<DaemonClient>& daemon() const { return daemon_; }

    void setPresenter(std::shared_ptr<AppModelPresenter> presenter);

    // Helper lifecycle. refreshDaemonState() re-checks registration, bundle,
    // health and compatibility and, when healthy, mirrors the daemon's
    // policy, capabilities and snapshot; it may run from several callers at
    // once, the last to finish wins.
    QCoro::Task<> refreshDaemonState();
    // The one button of every helper banner: repair, install, open System
    // Settings or move the application, by helperStatus(); nothing while
    // starting, repairing, enabled or without a battery.
    void performPrimaryHelperAction();
    void openHelperApprovalSettings();
    void installHelper();
    // Hands the hardware back to the system, then unregisters the helper;
    // ignored while an uninstall runs.
    void uninstallHelper();
    // Called when the application becomes active (the Qt application's state
    // change is connected to it): re-checks the helper on a Mac with a battery.
    void applicationDidBecomeActive();

    // Policy and commands. Each checks on the spot that a battery is present
    // and the helper usable, reporting in lastError (and chargeLimitError for
    // a refused limit) when not; otherwise it sends one command with a
    // 5-second time-out and publishes the reply.
    //
    // updatePolicy applies `mutation` to policy() at once (normalised), and
    // restores the whole previous policy if the daemon refuses or does not
    // answer within 5 seconds. A newer update supersedes an older one; when
    // it fails, the policy from before both comes back.
    //
    // `completion`, for a caller that keeps a value of its own beside the
    // daemon's (a display setting stored with the change), hears once
    // whether the daemon took the change: true on its answer, false when the
    // change was refused on the spot, by the daemon or for want of an answer
    // (lastError then says why). An update superseded before its answer
    // hears nothing; the newer one's caller hears for both.
    using ChangeCompletion = std::function<void(bool applied)>;
    void updatePolicy(const std::function<void(ChargePolicy&)>& mutation, ChangeCompletion completion = {});
    // Re-applies the limit of the last failed change, or, while the helper
    // is not usable, takes the helper's primary action first.
    void resolveChargeLimitFailure();
    // Toggles a top-up to full.
    void topUp();
    // Toggles a forced discharge.
    void forceDischarge();
    void pauseCharging();
    void startCalibration();
    void cancelCalibration();
    void setPowerMode(PowerSourceKind source, PowerMode mode);
    // `completion` as for updatePolicy.
    void setMagSafeLED(MagSafeLEDMode mode, ChangeCompletion completion = {});

    // Samples the five applications that use the most energy away from the
    // main thread and publishes them in highEnergyApps (empty when sampling
    // fails). Never fails; several may run at once, the last to end wins.
    QCoro::Task<> refreshEnergyApps();

    // One pass of the scheduled tasks; run by the scheduler loop every 30
    // seconds. Runs each enabled task whose occurrence is due and not yet
    // run, against the daemon, then stamps it, ends a one-off task and
    // records the run in the history; an occurrence more than a minute old
    // is skipped (a one-off task ended) unless the settings run missed tasks.
    QCoro::Task<> executeDueTasks();
    // The occurrence of `task` that a pass at `now` may run, in the user's
    // calendar: a one-off task's date once it has come; a repeating task's
    // time of day on a day its rule picks, from its start date on, once that
    // time has come. Nothing otherwise.
    static std::optional<AppClock::Date> scheduledOccurrence(const ScheduledTask& task, AppClock::Date now);

signals:
    void objectWillChange();
    void policyChanged();
    void capabilitiesChanged();
    void batteryAvailabilityChanged();
    void helperStatusChanged();
    void helperNeedsUpdateChanged();
    void lastErrorChanged();
    void chargeLimitErrorChanged();
    void highEnergyAppsChanged();
    void isTopUpActiveChanged();
    void isForceDischargeActiveChanged();
    void isCalibrationActiveChanged();
    void isDischargeTransitioningChanged();
    void isLimitUpdatingChanged();
    void isTopUpTransitioningChanged();
    void isUninstallingHelperChanged();

private:
    explicit AppModel(Services services);

    template <typename T, typename Signal>
    void publish(T& field, T value, Signal changed);

    void setPolicy(ChargePolicy value);
    void setCapabilities(DeviceCapabilities value);
    void setBatteryPresent(bool present);
    void setBatteryAvailability(BatteryAvailability value);
    void setHelperStatus(HelperStatus value);
    void setHelperNeedsUpdate(bool value);
    void setHighEnergyApps(QList<EnergyApplication> value);
    void setTopUpActive(bool value);
    void setForceDischargeActive(bool value);
    void setCalibrationActive(bool value);
    void setDischargeTransitioning(bool value);
    void setLimitUpdating(bool value);
    void setTopUpTransitioning(bool value);
    void setUninstallingHelper(bool value);
    void setSnapshot(PowerSnapshot value);

    // Start-up and loops.
    void start();
    static QCoro::Task<> runPollLoop(std::weak_ptr<AppModel> model, std::shared_ptr<AppClock> clock,
                                     std::stop_token stop);
    static QCoro::Task<> runSchedulerLoop(std::weak_ptr<AppModel> model, std::shared_ptr<AppClock> clock,
                                          std::stop_token stop);
    static QCoro::Task<> runStartup(std::shared_ptr<AppModel> model);
    static QCoro::Task<> runDidBecomeActive(std::weak_ptr<AppModel> model);
    QCoro::Task<> ensureMainAppRegistered();
    QCoro::Task<> requestNotificationPermission();

    // The poll.
    QCoro::Task<> poll();
    QCoro::Task<> pollWithoutBattery();
    QCoro::Task<> pollWithBattery();
    void applyPolledSnapshot(PowerSnapshot snapshot);

    // Helper lifecycle.
    bool requireBattery();
    QCoro::Task<bool> validateInstallationForService();
    void markHelperAsAwaitingApproval(bool openSettings);
    void clearHelperApprovalWait();
    void scheduleRecoveryIfNeeded();
    QCoro::Task<> recoverDaemonIfDue();
    QCoro::Task<> repairHelperRegistration(QString reason);
    void handleRepairFailure(const std::exception& error);
    void installApplicationAndRelaunch();
    void markHealthy(const DaemonHealth& health, PowerSnapshot snapshot);
    void markUnresponsive();
    static QCoro::Task<> runRepair(std::shared_ptr<AppModel> model, QString reason);
    static QCoro::Task<> runInstallFollowUp(std::shared_ptr<AppModel> model);
    static QCoro::Task<> runUninstall(std::shared_ptr<AppModel> model);

    // Carries out a scheduled task's action against the daemon; throws
    // ClientError when the helper is not usable or the daemon fails.
    QCoro::Task<> executeScheduledTask(ScheduledTask task);

    // Policy updates and commands.
    static QCoro::Task<> runPolicyUpdate(std::weak_ptr<AppModel> model, std::shared_ptr<DaemonClient> daemon,
                                         std::shared_ptr<AppClock> clock, std::stop_token stop, QUuid id,
                                         ChargePolicy updated, ChargePolicy previous, bool limitChanged,
                                         ChangeCompletion completion);
    static QCoro::Task<> runTopUp(std::shared_ptr<AppModel> model, bool start, bool before);
    static QCoro::Task<> runForceDischarge(std::shared_ptr<AppModel> model, bool enable, bool before);
    static QCoro::Task<> runSend(std::shared_ptr<AppModel> model, ControlCommand command,
                                 ChangeCompletion completion);
    void send(ControlCommand command, ChangeCompletion completion = {});
    QCoro::Task<> adoptHeldPolicy();
    QString limitMessage(std::int64_t requested, std::int64_t restored, const QString& englishSuffix,
                         const QString& chineseSuffix) const;

    // Services, made once and kept for the model's life.
    std::shared_ptr<AppClock> clock_;
    std::shared_ptr<AppModelPresenter> presenter_;
    HelperInstallation installation_;
    std::function<void()> openLoginItems_;
    std::shared_ptr<platform::SMAppService> mainApp_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<ScheduleStore> schedules_;
    std::unique_ptr<TelemetryStore> telemetry_;
    std::unique_ptr<BatteryMonitor> monitor_;
    std::unique_ptr<DesktopPowerMonitor> desktopPowerMonitor_;
    std::shared_ptr<DaemonClient> daemon_;
    std::unique_ptr<HighEnergyService> energyService_;
    platform::Logger helperLogger_;

    // Published.
    ChargePolicy policy_;
    DeviceCapabilities capabilities_;
    BatteryAvailability batteryAvailability_ = BatteryAvailability::detecting;
    HelperStatus helperStatus_ = HelperStatus::notInstalled();
    bool helperNeedsUpdate_ = false;
    std::optional<QString> lastError_;
    std::optional<QString> chargeLimitError_;
    QList<EnergyApplication> highEnergyApps_;
    bool isTopUpActive_ = false;
    bool isForceDischargeActive_ = false;
    bool isCalibrationActive_ = false;
    bool isDischargeTransitioning_ = false;
    bool isLimitUpdating_ = false;
    bool isTopUpTransitioning_ = false;
    bool isUninstallingHelper_ = false;

    // Counters and tasks.
    int batteryProbeFailures_ = 0;
    int batteryLossCount_ = 0;
    std::stop_source pollStop_;
    std::stop_source schedulerStop_;
    std::optional<std::stop_source> limitUpdateStop_;
    std::optional<QUuid> limitUpdateID_;
    std::optional<std::int64_t> failedChargeLimit_;
    // The policy in force before the updates still on their way: what a
    // failed update restores, also one that superseded another whose change
    // the daemon never confirmed.
    std::optional<ChargePolicy> policyBeforeUpdates_;
    int helperRetryTickCount_ = 0;
    int helperPermissionAuditTickCount_ = 0;
    int consecutiveXPCFailures_ = 0;
    // The text a failed snapshot fetch put into lastError: a later successful
    // fetch clears that text only, never a message of a command or a check.
    std::optional<QString> fetchError_;
    std::int64_t recoveryAttempt_ = 0;
    std::optional<AppClock::Instant> nextRecoveryAt_;
    bool isRepairingRegistration_ = false;
    bool isAwaitingSystemApproval_ = false;
};

}  // namespace velkora
