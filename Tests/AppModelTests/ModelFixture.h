#pragma once

#include "../DaemonClientTests/FakeDaemonPeer.h"

#include "Model/AppModel.h"
#include "Services/AppInstallationError.h"
#include "ServiceManagement/SMAppService.h"
#include "Services/ManualAppClock.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/DaemonProtocolVersion.h"
#include "VelkoraCore/IPC.h"
#include "VelkoraCore/VelkoraDaemonProtocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>

namespace velkora::test {

using namespace std::chrono_literals;

// The daemon's registration with the service manager, as the test sets it.
class FakeRegistration final : public platform::SMAppService {
public:
    void registerService() override
    {
        ++registrations;
        if (registerError) {
            throw *registerError;
        }
        currentStatus = approvedByUser ? Status::enabled : Status::requiresApproval;
    }
    void unregisterService() override
    {
        ++unregistrations;
        currentStatus = Status::notRegistered;
    }
    Status status() const override
    {
        ++statusReads;
        return currentStatus;
    }

    std::atomic<Status> currentStatus{Status::enabled};
    // Whether a registration comes up enabled or waits for the user.
    std::atomic<bool> approvedByUser{true};
    std::atomic<int> registrations{0};
    std::atomic<int> unregistrations{0};
    // How often the model asked for the registration's state.
    mutable std::atomic<int> statusReads{0};
    std::optional<platform::NSError> registerError;
};

// A model on a simulated laptop (simmac), whose helper is a scripted fake
// daemon and whose time is a manual clock. The process's SMC connection stays
// with the first simmac it met, so each test runs in a process of its own
// (as ctest runs them).
class ModelFixture : public testing::Test {
protected:
    using Script = std::function<void(DaemonRequest&)>;

    explicit ModelFixture(const std::string& hardware = "firmware-limit-laptop")
        : simmac(testsupport::SimmacProcess::withModel(hardware))
    {
    }

    void SetUp() override
    {
        peer = std::make_unique<FakeDaemonPeer>([this](DaemonRequest request) { respond(std::move(request)); });
    }

    void TearDown() override
    {
        destroyModel();
        peer.reset();
    }

    void createModel()
    {
        AppModel::Services services;
        services.clock = clock;
        services.daemon = DaemonClient::create(clock->timeoutScheduler(), registration);
        services.mainApp = loginItem;
        services.installation = HelperInstallation{[this] { return atExpectedLocation; },
                                                   [this] {
                                                       if (!atExpectedLocation) {
                                                           throw AppInstallationError::invalidLocation();
                                                       }
                                                   },
                                                   [] {}, [] {}};
        services.openLoginItems = [this] { ++loginItemsOpened; };
        model = AppModel::create(std::move(services));
    }

    // Lets go of the model and waits until the pass in progress has let go too.
    void destroyModel()
    {
        std::weak_ptr<AppModel> weak = model;
        model.reset();
        waitFor([&] { return weak.expired(); });
    }

    // The model started and its first pass and start-up check are over.
    void createSettledModel()
    {
        createModel();
        ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s) && !model->helperStatus().isBusy(); }));
        settle();
    }

    // Processes events until `ready` holds or five real seconds have gone.
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

    // A little more of the event loop, for work that needs no clock.
    void settle()
    {
        for (int round = 0; round < 20; ++round) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }

    // One poll pass: a second passes and the loop finishes its next pass.
    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock->advance(1s);
            ASSERT_TRUE(waitFor([&] { return clock->hasSleeperStartedNow(1s); })) << "the poll pass did not end";
        }
        settle();
    }

    // The fake daemon's answer to every request; `script` may take over any.
    void respond(DaemonRequest request)
    {
        {
            std::lock_guard lock(scriptMutex);
            if (script) {
                bool handled = false;
                scriptHandled = &handled;
                script(request);
                scriptHandled = nullptr;
                if (handled) {
                    return;
                }
            }
        }
        answerNormally(request);
    }

    // For a script: the request is taken care of.
    void handled() { *scriptHandled = true; }

    void setScript(Script next)
    {
        std::lock_guard lock(scriptMutex);
        script = std::move(next);
    }

    void answerNormally(const DaemonRequest& request)
    {
        std::lock_guard lock(daemonMutex);
        if (request.selector == VelkoraDaemonProtocol::healthSelector) {
            request.answer(IPC::encode(health), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchPolicySelector) {
            request.answer(IPC::encode(daemonPolicy), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchCapabilitiesSelector) {
            request.answer(IPC::encode(capabilities), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::fetchSnapshotSelector) {
            request.answer(IPC::encode(daemonSnapshot), std::nullopt);
        } else if (request.selector == VelkoraDaemonProtocol::performSelector) {
            const auto command = IPC::decode<ControlCommand>(*request.argument);
            performed.push_back(command);
            if (const auto* set = std::get_if<ControlCommand::SetPolicy>(&command.payload)) {
                daemonPolicy = set->policy;
            }
            request.answer(IPC::encode(daemonSnapshot), std::nullopt);
        } else {
            request.answer(std::nullopt, "unexpected " + request.selector);
        }
    }

    std::vector<ControlCommand> performedCommands()
    {
        std::lock_guard lock(daemonMutex);
        return performed;
    }

    static PowerSnapshot chargingSnapshot(std::int64_t percentage)
    {
        PowerSnapshot snapshot;
        snapshot.battery.percentage = percentage;
        snapshot.battery.hardwarePercentage = percentage;
        snapshot.battery.adapterConnected = true;
        snapshot.battery.isCharging = true;
        snapshot.battery.timestamp = std::chrono::system_clock::now();
        snapshot.state = ChargingState::charging;
        snapshot.stateReason = "充电中";
        return snapshot;
    }

    testsupport::SimmacProcess simmac;
    std::shared_ptr<ManualAppClock> clock = ManualAppClock::create();
    std::shared_ptr<FakeRegistration> registration = std::make_shared<FakeRegistration>();
    std::shared_ptr<FakeRegistration> loginItem = std::make_shared<FakeRegistration>();
    bool atExpectedLocation = true;
    int loginItemsOpened = 0;

    // The fake daemon's state; under daemonMutex once the model runs.
    std::mutex daemonMutex;
    DaemonHealth health = DaemonHealth::make(DaemonProtocolVersion::current, "unknown", "unknown",
                                             std::string(IPC::machServiceName),
                                             std::string(IPC::parentBundleIdentifier), true);
    ChargePolicy daemonPolicy = [] {
        ChargePolicy policy;
        policy.managementEnabled = true;
        policy.chargeLimit = 80;
        return policy;
    }();
    DeviceCapabilities capabilities{true, true, true, true, false};
    PowerSnapshot daemonSnapshot = chargingSnapshot(50);
    std::vector<ControlCommand> performed;

    std::mutex scriptMutex;
    Script script;
    bool* scriptHandled = nullptr;

    std::unique_ptr<FakeDaemonPeer> peer;
    std::shared_ptr<AppModel> model;
};

}  // namespace velkora::test
