#pragma once

#include "VelkoraCore/PowerSnapshot.h"

#include "IOKit/CFPropertyValue.h"
#include "IOKit/IOTypes.h"

#include <qcoro/qcorotask.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace velkora {

class UtilityQueue;

// The application's own reader of the built-in battery: a complete
// PowerSnapshot from the "AppleSmartBattery" registry entry, the power-source
// information and the SMC keys "B0AV", "B0AC", "VD0R" and "ID0R", which it
// only reads. It never writes anything and no operation fails: a missing or
// malformed value falls back to the next source or a default. read() and
// readAsync() are used one at a time; the two battery queries may be asked
// from any thread.
class BatteryMonitor {
public:
    // Measures the time between lookups of the battery service.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds reconnectionInterval{2000};

    // Looks the battery service up once and creates the serial utility queue
    // "com.velkora.battery-sampling". The steady clock unless given.
    explicit BatteryMonitor(Clock clock = {});
    // Waits for a reading in progress, then releases the service.
    ~BatteryMonitor();
    BatteryMonitor(const BatteryMonitor&) = delete;
    BatteryMonitor& operator=(const BatteryMonitor&) = delete;

    // One reading; PowerSnapshot::noBattery() when no battery is present.
    // Looks the battery service up again first when it is missing or says no
    // battery without saying that none is installed, at most once every 2 s.
    PowerSnapshot read();
    // read() on the monitor's queue; the awaiting coroutine resumes on its
    // own thread with the result.
    QCoro::Task<PowerSnapshot> readAsync();

    // The battery service exists and its registry says a battery is installed.
    bool batteryPresent() const;
    // The battery service exists and its "BatteryInstalled" is false: this
    // Mac definitely has no battery, as opposed to a reading that failed.
    bool batteryAbsenceConfirmed() const;

private:
    using Dictionary = CFPropertyValue::Dictionary;
    // Shares the value it was read from rather than copying it; null for none.
    using DictionaryRef = std::shared_ptr<const Dictionary>;

    // Every registry property of the battery service in one fetch: a
    // reading looks up some twenty of them, and each fetch is a round trip.
    // Nothing when there is no service or it does not answer.
    DictionaryRef registryProperties() const;

    // Looks the service up again when the rules of read() call for it;
    // `registry` then becomes the new service's properties.
    void reconnectIfNeeded(DictionaryRef& registry);
    DictionaryRef powerSourceInfo() const;
    static double temperature(const DictionaryRef& powerInfo, const DictionaryRef& registry);
    std::optional<double> readBatteryVoltage() const;
    std::optional<double> readBatteryCurrent() const;
    std::optional<double> readAdapterVoltage() const;
    std::optional<double> readAdapterCurrent() const;

    static io_service_t findService();

    Clock clock_;
    std::atomic<io_service_t> service_;
    std::unique_ptr<UtilityQueue> samplingQueue_;
    std::chrono::steady_clock::time_point lastConnectionAttempt_;
};

}  // namespace velkora
