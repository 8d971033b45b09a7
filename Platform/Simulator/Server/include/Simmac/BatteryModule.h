#pragma once

#include <chrono>
#include <optional>
#include <string>

#include <asio.hpp>

#include "Simmac/BatteryPhysics.h"
#include "Simmac/RegistryValue.h"
#include "Simmac/SimulatorModule.h"
#include "Simmac/SmartBatteryEntry.h"

namespace simmac {

class Dispatcher;
class SMCModule;

// The battery, the power adapter and the computer's load (BatteryPhysics),
// run on the event loop: every tick of simulated time reads the SMC's charger
// controls, advances the physics, and makes the SMC's sensor keys ("B0AV",
// "B0AC", "VD0R", "ID0R", "PDTR" and the other battery keys the model has) and
// the registry entry "AppleSmartBattery" follow it. A new model's battery
// starts from the readings of its "B0AV" and "B0AC" keys. A time-speed factor lets
// N simulated seconds pass per real second; only this physics runs faster.
//
// A model describes its battery and power in
//   "battery": {"capacityUnits": "percent" | "mAh", "designCapacity": 6075,
//               "fullChargeCapacity": 5480, "level": 80, "cycleCount": 212,
//               "temperature": 30.5, "properties": {fixed registry properties}}
//   "adapter": {"plugged": true, "watts": 70, "voltage": 20.0},
//   "load": 24.5
// A model without "battery" is a desktop: no battery bay and no
// "AppleSmartBattery" entry; its adapter is the power supply. Instead of
// describing its battery a model may name an ioreg dump of a real one,
//   "battery": {"capture": "file, relative to the model file"}
// which is loaded as "battery.capture" loads it.
//
// Operations (each answers with the battery's status member):
//   "battery.plug" {"watts"?}        plug the adapter in (default: the model's watts)
//   "battery.unplug"
//   "battery.level" {"percent"}      0-100 of the full-charge capacity
//   "battery.temperature" {"celsius"} the pack's and the room's temperature
//   "battery.load" {"watts"}         what the computer draws
//   "battery.speed" {"factor"}       simulated seconds per real second, 0-100000
//   "battery.remove" / "battery.insert"
//   "battery.capture" {"text", "name"} takes the "AppleSmartBattery" entry of
//                                 an ioreg dump (IORegistryDump) and goes on from
//                                 it: its capacities, level, cycle count,
//                                 temperature, voltage, amperage and adapter
//                                 become the physics' state, and its other keys
//                                 stay in the entry as captured. A dump that
//                                 cannot be read changes nothing.
class BatteryModule : public SimulatorModule {
public:
    // Real time between two ticks.
    static constexpr std::chrono::milliseconds tickInterval{100};
    static constexpr double maximumSpeed = 100000;

    // Register after `smc`: a new model's battery reads the new model's keys.
    BatteryModule(Dispatcher& dispatcher, asio::io_context& context, SMCModule& smc);

    // Simulated seconds per real second, 0 to maximumSpeed.
    void setSpeed(double factor);
    // The speed simmac was started with: setSpeed now, and again at every change of model.
    void setStartSpeed(double factor);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;

    // The properties of "AppleSmartBattery"; null on a machine without a
    // battery bay.
    const registry::Value* smartBatteryProperties() const;
    // Whether the machine runs from its adapter (plugged in and not disabled).
    bool onAdapterPower() const;

private:
    struct Readings {
        double voltageMillivolts = 0;
        double currentMilliamps = 0;
    };
    struct Configuration {
        BatteryPhysics physics;
        CapacityUnits units = CapacityUnits::percent;
        registry::Value base;
        int modelAdapterWatts = 0;
        double modelAdapterVolts = 0;
        // Where the battery goes on from: a capture's readings, else the
        // model's SMC keys.
        std::optional<Readings> capturedReadings;
        std::string captureName;
    };

    static Configuration configurationOf(const HardwareModel& model);
    // `configuration` with its battery taken from the dump `text`; throws
    // SimulatorError naming `name`. What had to be assumed of an excerpt is
    // logged and added to `assumptions` as "name, line N: ...".
    static Configuration withCapture(Configuration configuration, std::string_view text, const std::string& name,
                                     std::vector<std::string>* assumptions = nullptr);
    void putInForce(Configuration configuration);
    void armTimer();
    void tick();
    ChargerControls readControls() const;
    // After a change: works out the flow at once and publishes it.
    void settleAndPublish();
    // A new model's battery goes on from the readings its SMC keys describe.
    void continueFromModelReadings();
    void publish();
    nlohmann::ordered_json describe() const;
    BatteryPhysics& physics();
    void requireBatteryBay(const char* what) const;

    Dispatcher& dispatcher_;
    SMCModule& smc_;
    asio::steady_timer timer_;
    std::chrono::steady_clock::time_point nextTick_;
    std::uint64_t timerGeneration_ = 0;
    std::optional<Configuration> configuration_;
    std::string modelName_;
    double speed_ = 1;
    double startSpeed_ = 1;
    double pendingSeconds_ = 0;
    ChargerControls lastControls_;
    registry::Value entry_;
};

}  // namespace simmac
