#include "BatteryScene.h"

#include "DaemonClientTests/FakeDaemonPeer.h"

#include "Foundation/SimulatedRoot.h"
#include "ServiceManagement/SMAppService.h"
#include "VelkoraCore/DaemonHealth.h"
#include "VelkoraCore/DaemonProtocolVersion.h"
#include "VelkoraCore/IPC.h"
#include "VelkoraCore/VelkoraDaemonProtocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <atomic>
#include <filesystem>
#include <cmath>

namespace screenshots {

using namespace velkora;
using namespace std::chrono_literals;

namespace {

// Runs the event loop until `ready` holds, for five real seconds at most.
template <typename Predicate>
bool waitFor(Predicate ready)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!ready()) {
        if (elapsed.elapsed() > 5000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace

// The helper's registration as the scene wants it.
class BatteryScene::Registration final : public platform::SMAppService {
public:
    explicit Registration(Status status) : status_(status) {}
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return status_; }

private:
    Status status_;
};

BatteryScene::BatteryScene(Setup setup)
    : setup_(std::move(setup)),
      registration_(std::make_shared<Registration>(setup_.helper == Helper::awaitingApproval
                                                       ? platform::SMAppService::Status::requiresApproval
                                                       : platform::SMAppService::Status::enabled)),
      clock_(ManualAppClock::create())
{
    const DaemonHealth health = DaemonHealth::make(
        setup_.helper == Helper::outdated ? DaemonProtocolVersion::current - 1 : DaemonProtocolVersion::current,
        "unknown", "unknown", std::string(IPC::machServiceName), std::string(IPC::parentBundleIdentifier), true);
    auto fetches = std::make_shared<std::atomic<int>>(0);
    auto unanswered = std::make_shared<std::vector<test::DaemonRequest>>();
    auto holding = std::make_shared<std::atomic<bool>>(false);
    daemon_ = std::make_unique<test::FakeDaemonPeer>([health, snapshot = setup_.snapshot, policy = setup_.policy,
                                                      fetches, unanswered, holding](test::DaemonRequest request) {
            if (request.selector == VelkoraDaemonProtocol::healthSelector) {
                request.answer(IPC::encode(health), std::nullopt);
            } else if (request.selector == VelkoraDaemonProtocol::fetchPolicySelector) {
                request.answer(IPC::encode(policy), std::nullopt);
            } else if (request.selector == VelkoraDaemonProtocol::fetchCapabilitiesSelector) {
                request.answer(IPC::encode(DeviceCapabilities{true, true, true, true, false}), std::nullopt);
            } else if (request.selector == VelkoraDaemonProtocol::performSelector && *holding) {
                // Kept, unanswered, for as long as the scene lasts.
                unanswered->push_back(std::move(request));
            } else {
                // A power that breathes a little from reading to reading.
                PowerSnapshot reading = snapshot;
                const double wave = std::sin(++*fetches / 4.0) * 0.18 + std::sin(*fetches / 11.0) * 0.12;
                reading.battery.powerWatts = snapshot.battery.powerWatts * (1.0 + wave);
                reading.battery.timestamp += std::chrono::seconds(*fetches);
                request.answer(IPC::encode(reading), std::nullopt);
            }
        });

    // Every picture starts with no history: the chart shows this scene's.
    std::error_code ignored;
    std::filesystem::remove(platform::SimulatedRoot::homeDirectory() / "Library" / "Application Support" / "Velkora" /
                                "history.json",
                            ignored);

    AppModel::Services services;
    services.clock = clock_;
    services.daemon = DaemonClient::create(clock_->timeoutScheduler(), registration_);
    services.mainApp = std::make_shared<Registration>(platform::SMAppService::Status::enabled);
    services.installation = HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
    services.openLoginItems = [] {};
    model_ = AppModel::create(std::move(services));
    waitFor([&] { return clock_->hasSleeperStartedNow(1s) && !model_->helperStatus().isBusy(); });

    if (setup_.calibrating && model_->helperStatus() == HelperStatus::enabled()) {
        model_->startCalibration();
        waitFor([&] { return model_->isCalibrationActive(); });
    }
    for (int second = 0; second < setup_.historySeconds; ++second) {
        clock_->advance(1s);
        waitFor([&] { return clock_->hasSleeperStartedNow(1s); });
    }
    model_->telemetry().setSnapshot(setup_.snapshot);
    if (setup_.applyingLimit) {
        *holding = true;
        const int limit = *setup_.applyingLimit;
        model_->updatePolicy([limit](ChargePolicy& policy) { policy.chargeLimit = limit; });
    }
    if (setup_.actions) {
        *holding = setup_.holdCommands;
        setup_.actions(*model_);
        if (!setup_.holdCommands) {
            waitFor([&] { return !model_->isDischargeTransitioning() && !model_->isTopUpTransitioning(); });
        }
    }
    if (setup_.lastError) {
        model_->setLastError(setup_.lastError);
    }
    if (setup_.chargeLimitError) {
        model_->setChargeLimitError(setup_.chargeLimitError);
    }
}

BatteryScene::~BatteryScene()
{
    std::weak_ptr<AppModel> weak = model_;
    model_.reset();
    waitFor([&] { return weak.expired(); });
    daemon_.reset();
}

ViewEnvironment BatteryScene::environment()
{
    ViewEnvironment environment;
    environment.model = model_.get();
    environment.settings = &model_->settings();
    environment.telemetry = &model_->telemetry();
    environment.router = &router_;
    environment.reduceMotion = &reduceMotion_;
    return environment;
}

void BatteryScene::advance(std::chrono::milliseconds duration)
{
    clock_->advance(duration);
    QCoreApplication::processEvents();
}

QWidget* BatteryScene::attach(QWidget* view)
{
    // At once: the next picture's scene serves the same helper's name.
    connect(view, &QObject::destroyed, [scene = this] { delete scene; });
    return view;
}

PowerSnapshot BatteryScene::laptop(int percentage, ChargingState state, const char* reason)
{
    PowerSnapshot snapshot;
    BatterySnapshot& battery = snapshot.battery;
    battery.timestamp = std::chrono::system_clock::now();
    battery.percentage = percentage;
    battery.hardwarePercentage = percentage;
    battery.adapterConnected = true;
    battery.isCharging = state == ChargingState::charging || state == ChargingState::topUp;
    battery.timeRemainingMinutes = battery.isCharging ? std::optional<std::int64_t>(52) : std::nullopt;
    battery.temperatureCelsius = 31.4;
    battery.voltageVolts = 12.62;
    battery.currentAmps = battery.isCharging ? 2.31 : -0.02;
    battery.powerWatts = battery.isCharging ? 29.2 : -0.3;
    battery.systemLoadWatts = 11.6;
    battery.designCapacityMAh = 4990;
    battery.maxCapacityMAh = 4688;
    battery.currentCapacityMAh = 4688 * percentage / 100;
    battery.macOSCapacityMAh = 4610;
    battery.cycleCount = 214;
    battery.condition = "Normal";
    snapshot.adapter = AdapterSnapshot{true, 20.1, 2.1, battery.isCharging ? 42.2 : 11.9, 96};
    snapshot.state = state;
    snapshot.stateReason = reason;
    return snapshot;
}

}  // namespace screenshots
