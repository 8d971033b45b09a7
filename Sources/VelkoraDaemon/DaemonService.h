#pragma once

#include "DaemonStore.h"
#include "HardwareController.h"
#include "PowerEventMonitor.h"
#include "RepeatingTimer.h"
#include "SerialQueue.h"

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/ChargePolicyEngine.h>
#include <VelkoraCore/ControlCommand.h>
#include <VelkoraCore/MagSafeLEDMode.h>
#include <VelkoraCore/PowerSnapshot.h>
#include <VelkoraCore/VelkoraDaemonProtocol.h>

#include <IOKit/pwr_mgt/IOPMLib.h>
#include <Log/Logger.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace velkora {

// The daemon's one state holder and the object its XPC clients talk to. It
// owns the policy, the hardware controller and the policy store; every second
// it reads the battery, advances a calibration run, asks the policy engine
// what to do, writes what changed to the SMC and publishes the outcome. It
// reacts to sleep and wake and to clients coming and going.
//
// After construction every field is touched only on `queue`: the timer fires
// there, and the protocol operations, client events and power events only
// submit blocks to it. `ping` answers on the caller's thread, and so does
// `fetchSnapshot` while a pass is stalled on the hardware, from the copy each
// pass publishes under its own lock.
class DaemonService final : public VelkoraDaemonProtocol, public std::enable_shared_from_this<DaemonService> {
public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    // What the daemon's time is measured with; tests substitute their own.
    struct Timing {
        WallClock now = [] { return std::chrono::system_clock::now(); };
        std::chrono::steady_clock::duration pollInterval = std::chrono::seconds(1);
        std::chrono::steady_clock::duration pollLeeway = std::chrono::milliseconds(100);
    };

    // Probes the hardware, loads the policy, starts the power-event monitor
    // (its notifications arrive on the main run loop) and the poll timer,
    // whose first pass runs at once on the queue.
    static std::shared_ptr<DaemonService> create();
    static std::shared_ptr<DaemonService> create(Timing timing);
    // Cancels the timer and releases a held sleep assertion.
    ~DaemonService() override;

    DaemonService(const DaemonService&) = delete;
    DaemonService& operator=(const DaemonService&) = delete;

    void ping(TextReply reply) override;
    void health(DataReply reply) override;
    void fetchSnapshot(DataReply reply) override;
    void fetchCapabilities(DataReply reply) override;
    void fetchPolicy(DataReply reply) override;
    void perform(std::vector<std::uint8_t> commandData, DataReply reply) override;

    // A client was accepted / its connection was invalidated; from any thread.
    void clientConnected();
    void clientDisconnected();

private:
    explicit DaemonService(Timing options);

    void startPowerEvents();
    void startMonitoring();

    void pollAndApplyPolicy();
    // Makes `snapshot` the current one; a change of charging state is logged.
    void publish(PowerSnapshot snapshot);
    void advanceCalibration(const BatterySnapshot& battery);
    void reconcileFirmwareChargeLimit(const PolicyDecision& decision, const BatterySnapshot& battery);
    void updateSleepAssertion(bool enabled);
    void releaseSleepAssertion();

    void apply(const ControlCommand& command);
    // The hardware back to the system's defaults, and remembered as written.
    void restoreHardwareDefaults();
    void prepareForSleep();
    void resumeAfterWake();

    // Replies with the JSON of what `value` builds, on the queue.
    template <typename Build>
    void replyOnQueue(DataReply reply, Build value);

    const Timing timing;

    // Declared first so that it is torn down last: timers live on it.
    SerialQueue queue;
    HardwareController hardware;
    DaemonStore store;
    platform::Logger logger;
    ChargePolicy policy;
    PowerSnapshot currentSnapshot;
    // currentSnapshot as the last pass left it, for status requests that must
    // not wait behind a pass that waits for the hardware.
    std::mutex publishedMutex;
    PowerSnapshot publishedSnapshot;
    // When the pass under way started (steady clock, nanoseconds); 0 between passes.
    std::atomic<std::int64_t> passStartedAt{0};
    bool hasReachedLimit = false;
    bool topUpActive = false;
    bool forceDischargeActive = false;
    CalibrationPhase calibrationPhase = CalibrationPhase::inactive;
    std::optional<std::chrono::system_clock::time_point> calibrationHoldStartedAt;
    std::unique_ptr<RepeatingTimer> timer;
    std::optional<bool> lastChargingEnabled;
    std::optional<bool> lastAdapterEnabled;
    std::optional<MagSafeLEDMode> lastLEDMode;
    std::int64_t chargingInhibitMismatchSamples = 0;
    IOPMAssertionID sleepAssertion = 0;
    std::unique_ptr<PowerEventMonitor> powerEventMonitor;
    std::int64_t activeClientCount = 0;
    bool managementSuspendedForNoClient = false;
    // Unset stands for the distant past: the first refresh is due at once.
    std::optional<std::chrono::system_clock::time_point> lastHardwareRefreshAt;
};

}  // namespace velkora
