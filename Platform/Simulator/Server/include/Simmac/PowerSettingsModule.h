#pragma once

#include "Simmac/SimulatorModule.h"

namespace simmac {

class BatteryModule;
class Dispatcher;

// The power-management settings that pmset shows and changes, per power
// source. Only the power mode (0 automatic, 1 low power, 2 high power) can be
// changed, and only on a model that has one ({"powerSettings": {"powerMode":
// true}}); low-power mode is on while the mode of the source in use is 1.
//   "pm.settings"                     -> {"Battery Power": {setting: value, ...},
//                                          "AC Power": {...}}; "powermode" only
//                                         on a model that has one
//   "pm.setPowerMode" {"source": "battery" | "adapter", "mode"}   root only
//   "pm.lowPowerMode"                 -> {"enabled": bool}
// Status: "powerSettings": {"powerModeSupported", "battery", "adapter", "lowPowerMode"}.
class PowerSettingsModule : public SimulatorModule {
public:
    PowerSettingsModule(Dispatcher& dispatcher, const BatteryModule& battery);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;

private:
    bool lowPowerMode() const;

    const BatteryModule& battery_;
    bool powerModeSupported_ = false;
    int batteryMode_ = 0;
    int adapterMode_ = 0;
};

}  // namespace simmac
