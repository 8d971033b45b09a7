#include "Intents/IntentBridge.h"

#include "Intents/BatteryIntentError.h"
#include "Services/BatteryMonitor.h"
#include "Services/DaemonClient.h"

#include <memory>

namespace velkora {

namespace {

// A client for one bridge call, whose connection is closed when the call
// ends. A client by itself only lets go of its connection when it is
// destroyed and leaves closing it to the transport; a shortcut run must not
// leave its connection to the daemon behind on that account.
class CallClient {
public:
    CallClient() : client_(DaemonClient::create()) {}
    ~CallClient() { client_->invalidateConnection(); }
    CallClient(const CallClient&) = delete;
    CallClient& operator=(const CallClient&) = delete;

    DaemonClient* operator->() const { return client_.get(); }

private:
    std::shared_ptr<DaemonClient> client_;
};

}  // namespace

void IntentBridge::requireBattery()
{
    const bool present = BatteryMonitor().batteryPresent();
    if (!present) {
        throw BatteryIntentError::noBuiltInBattery();
    }
}

QCoro::Task<PowerSnapshot> IntentBridge::perform(ControlCommand command)
{
    requireBattery();
    const CallClient client;
    co_return co_await client->perform(std::move(command), commandTimeout);
}

QCoro::Task<PowerSnapshot> IntentBridge::snapshot()
{
    requireBattery();
    {
        const CallClient client;
        try {
            co_return co_await client->fetchSnapshot(snapshotTimeout);
        } catch (...) {
            // The reading below stands in for the daemon's.
        }
    }
    co_return BatteryMonitor().read();
}

QCoro::Task<ChargePolicy> IntentBridge::policy()
{
    requireBattery();
    const CallClient client;
    co_return co_await client->fetchPolicy();
}

}  // namespace velkora
