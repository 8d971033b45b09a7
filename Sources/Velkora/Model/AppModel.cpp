#include "Model/AppModel.h"

#include "Services/AppIdentity.h"
#include "Services/AppInstallation.h"
#include "Services/AppLanguage.h"
#include "UserNotifications/UNUserNotificationCenter.h"
#include "UserDefaults/UserDefaults.h"
#include "VelkoraCore/IPC.h"

#include "ServiceManagement/SMAppService.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>

namespace velkora {

namespace {

const QString awaitingApprovalKey = QStringLiteral("helperAwaitingSystemApproval");

}  // namespace

HelperInstallation HelperInstallation::runningBundle()
{
    return HelperInstallation{
        [] { return AppInstallation::isAtExpectedLocation(); },
        [] { AppInstallation::validateCurrentBundle(); },
        [] { AppInstallation::installAndRelaunch(); },
        [] {
            QProcess::startDetached(QStringLiteral("xdg-open"),
                                    QStringList{QString::fromStdString(AppIdentity::expectedAppURL().parent_path().string())});
        },
    };
}

std::shared_ptr<AppModel> AppModel::create(Services services)
{
    auto model = std::shared_ptr<AppModel>(new AppModel(std::move(services)));
    model->start();
    return model;
}

AppModel::AppModel(Services services)
    : clock_(services.clock ? std::move(services.clock) : AppClock::system()),
      presenter_(services.presenter ? std::move(services.presenter) : std::make_shared<AppModelPresenter>()),
      installation_(services.installation ? std::move(*services.installation) : HelperInstallation::runningBundle()),
      openLoginItems_(services.openLoginItems ? std::move(services.openLoginItems)
                                              : [] { platform::SMAppService::openSystemSettingsLoginItems(); }),
      mainApp_(services.mainApp ? std::move(services.mainApp) : platform::SMAppService::mainApp()),
      settings_(std::make_unique<AppSettings>(platform::UserDefaults::standard(), mainApp_)),
      history_(std::make_unique<HistoryStore>(nullptr, [clock = clock_] { return clock->date(); })),
      schedules_(std::make_unique<ScheduleStore>(nullptr, [clock = clock_] { return clock->date(); })),
      telemetry_(std::make_unique<TelemetryStore>()),
      monitor_(std::make_unique<BatteryMonitor>([clock = clock_] { return clock->now(); })),
      desktopPowerMonitor_(std::make_unique<DesktopPowerMonitor>([clock = clock_] { return clock->date(); })),
      daemon_(services.daemon ? std::move(services.daemon) : DaemonClient::create(clock_->timeoutScheduler())),
      energyService_(std::make_unique<HighEnergyService>()),
      helperLogger_(std::string(IPC::machServiceName), "Lifecycle")
{
    isAwaitingSystemApproval_ = platform::UserDefaults::standard().boolForKey(awaitingApprovalKey);
    // A task list or history that is not on disk would be lost at the next
    // start without the user knowing: say so in the banner.
    connect(schedules_.get(), &ScheduleStore::saveFailed, this,
            [this](const QString& reason) { setLastError(localized(QStringLiteral("无法保存定时任务：%@"), reason)); });
    const bool present = monitor_->batteryPresent();
    capabilities_.batteryPresent = present;
    if (present) {
        batteryAvailability_ = BatteryAvailability::present;
    } else if (monitor_->batteryAbsenceConfirmed()) {
        batteryAvailability_ = BatteryAvailability::absent;
    }
    telemetry_->setSnapshot(monitor_->read());
    if (!present) {
        helperStatus_ = HelperStatus::unsupportedDevice();
    } else if (!installation_.isAtExpectedLocation()) {
        helperStatus_ = HelperStatus::invalidLocation();
    } else {
        helperStatus_ = daemon_->status();
    }
}

AppModel::~AppModel()
{
    pollStop_.request_stop();
    schedulerStop_.request_stop();
}

void AppModel::setPresenter(std::shared_ptr<AppModelPresenter> presenter)
{
    presenter_ = presenter ? std::move(presenter) : std::make_shared<AppModelPresenter>();
}

template <typename T, typename Signal>
void AppModel::publish(T& field, T value, Signal changed)
{
    if (field == value) {
        return;
    }
    emit objectWillChange();
    field = std::move(value);
    emit(this->*changed)();
}

void AppModel::setPolicy(ChargePolicy value) { publish(policy_, std::move(value), &AppModel::policyChanged); }
void AppModel::setCapabilities(DeviceCapabilities value)
{
    publish(capabilities_, value, &AppModel::capabilitiesChanged);
}
void AppModel::setBatteryPresent(bool present)
{
    DeviceCapabilities value = capabilities_;
    value.batteryPresent = present;
    setCapabilities(value);
}
void AppModel::setBatteryAvailability(BatteryAvailability value)
{
    publish(batteryAvailability_, value, &AppModel::batteryAvailabilityChanged);
}
void AppModel::setHelperStatus(HelperStatus value)
{
    publish(helperStatus_, std::move(value), &AppModel::helperStatusChanged);
}
void AppModel::setHelperNeedsUpdate(bool value)
{
    publish(helperNeedsUpdate_, value, &AppModel::helperNeedsUpdateChanged);
}
void AppModel::setLastError(std::optional<QString> value)
{
    publish(lastError_, std::move(value), &AppModel::lastErrorChanged);
}
void AppModel::setChargeLimitError(std::optional<QString> value)
{
    publish(chargeLimitError_, std::move(value), &AppModel::chargeLimitErrorChanged);
}
void AppModel::setHighEnergyApps(QList<EnergyApplication> value)
{
    publish(highEnergyApps_, std::move(value), &AppModel::highEnergyAppsChanged);
}
void AppModel::setTopUpActive(bool value) { publish(isTopUpActive_, value, &AppModel::isTopUpActiveChanged); }
void AppModel::setForceDischargeActive(bool value)
{
    publish(isForceDischargeActive_, value, &AppModel::isForceDischargeActiveChanged);
}
void AppModel::setCalibrationActive(bool value)
{
    publish(isCalibrationActive_, value, &AppModel::isCalibrationActiveChanged);
}
void AppModel::setDischargeTransitioning(bool value)
{
    publish(isDischargeTransitioning_, value, &AppModel::isDischargeTransitioningChanged);
}
void AppModel::setLimitUpdating(bool value) { publish(isLimitUpdating_, value, &AppModel::isLimitUpdatingChanged); }
void AppModel::setTopUpTransitioning(bool value)
{
    publish(isTopUpTransitioning_, value, &AppModel::isTopUpTransitioningChanged);
}
void AppModel::setUninstallingHelper(bool value)
{
    publish(isUninstallingHelper_, value, &AppModel::isUninstallingHelperChanged);
}
void AppModel::setSnapshot(PowerSnapshot value) { telemetry_->setSnapshot(std::move(value)); }

void AppModel::start()
{
    pollStop_.request_stop();
    pollStop_ = std::stop_source();
    runPollLoop(weak_from_this(), clock_, pollStop_.get_token());

    schedulerStop_.request_stop();
    schedulerStop_ = std::stop_source();
    runSchedulerLoop(weak_from_this(), clock_, schedulerStop_.get_token());

    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const std::weak_ptr<AppModel> weak = weak_from_this();
        connect(application, &QGuiApplication::applicationStateChanged, this, [weak](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) {
                runDidBecomeActive(weak);
            }
        });
    }

    runStartup(shared_from_this());
}

// A pass, then a sleep measured from the pass's end; the model is held only
// during the pass.
QCoro::Task<> AppModel::runPollLoop(std::weak_ptr<AppModel> model, std::shared_ptr<AppClock> clock,
                                    std::stop_token stop)
{
    while (!stop.stop_requested()) {
        if (const std::shared_ptr<AppModel> self = model.lock()) {
            co_await self->poll();
        }
        co_await clock->sleep(pollInterval, stop);
    }
}

QCoro::Task<> AppModel::runSchedulerLoop(std::weak_ptr<AppModel> model, std::shared_ptr<AppClock> clock,
                                         std::stop_token stop)
{
    while (!stop.stop_requested()) {
        if (const std::shared_ptr<AppModel> self = model.lock()) {
            co_await self->executeDueTasks();
        }
        co_await clock->sleep(schedulerInterval, stop);
    }
}

void AppModel::applicationDidBecomeActive()
{
    runDidBecomeActive(weak_from_this());
}

QCoro::Task<> AppModel::runDidBecomeActive(std::weak_ptr<AppModel> model)
{
    const std::shared_ptr<AppModel> self = model.lock();
    if (self && self->batteryPresent()) {
        co_await self->refreshDaemonState();
    }
}

QCoro::Task<> AppModel::runStartup(std::shared_ptr<AppModel> model)
{
    if (!model->batteryPresent()) {
        model->setSnapshot(PowerSnapshot::noBattery());
        model->setHelperStatus(HelperStatus::unsupportedDevice());
        model->presenter_->hideOverlay(true);
        co_await model->refreshEnergyApps();
        co_return;
    }
    co_await model->requestNotificationPermission();
    const bool mayRunHelper = co_await model->validateInstallationForService();
    if (mayRunHelper) {
        co_await model->ensureMainAppRegistered();
        co_await model->refreshDaemonState();
    }
    co_await model->refreshEnergyApps();
}

QCoro::Task<> AppModel::refreshEnergyApps()
{
    const std::shared_ptr<AppModel> self = shared_from_this();
    QList<EnergyApplication> applications = co_await energyService_->sample(5);
    self->setHighEnergyApps(std::move(applications));
}

QCoro::Task<> AppModel::ensureMainAppRegistered()
{
    // The application registers itself unless the user switched launch at
    // login off: registering every start would undo that choice behind a
    // switch showing it off. Through the settings, so the switch shows the
    // registration.
    const QVariant chosen = platform::UserDefaults::standard().object(QStringLiteral("launchAtLogin"));
    if (chosen.isValid() && !chosen.toBool()) {
        co_return;
    }
    try {
        settings_->setLaunchAtLogin(true);
    } catch (const std::exception& error) {
        helperLogger_.debug("Login item registration failed: %{public}s", std::string(error.what()));
    }
    co_return;
}

QCoro::Task<> AppModel::requestNotificationPermission()
{
    try {
        platform::UNUserNotificationCenter::current().requestAuthorization(
            platform::UNAuthorizationOptionAlert | platform::UNAuthorizationOptionSound);
    } catch (const std::exception& error) {
        helperLogger_.debug("Notification authorisation failed: %{public}s", std::string(error.what()));
    }
    co_return;
}

}  // namespace velkora
