#include "Simmac/PowerSettingsModule.h"

#include "Simmac/BatteryModule.h"
#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/HardwareModel.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

// The fixed settings shown beside the power mode, per source.
nlohmann::ordered_json fixedSettings(bool onBattery)
{
    return {{"standby", 1},
            {"Sleep On Power Button", 1},
            {"hibernatefile", "/var/vm/sleepimage"},
            {"powernap", onBattery ? 0 : 1},
            {"disksleep", 10},
            {"sleep", onBattery ? 1 : 0},
            {"hibernatemode", 3},
            {"ttyskeepawake", 1},
            {"displaysleep", onBattery ? 2 : 10},
            {"tcpkeepalive", 1}};
}

}  // namespace

PowerSettingsModule::PowerSettingsModule(Dispatcher& dispatcher, const BatteryModule& battery) : battery_(battery)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("pm.settings", [this](OperationCall& call) {
        nlohmann::ordered_json battery = fixedSettings(true);
        nlohmann::ordered_json adapter = fixedSettings(false);
        if (powerModeSupported_) {
            battery["powermode"] = batteryMode_;
            adapter["powermode"] = adapterMode_;
        }
        call.succeed({{"Battery Power", std::move(battery)}, {"AC Power", std::move(adapter)}});
    });
    dispatcher.addOperation("pm.setPowerMode", [this](OperationCall& call) {
        if (!call.session().isPrivileged()) {
            throw SimulatorError("changing power settings requires root");
        }
        const std::string source = call.stringArgument("source");
        if (source != "battery" && source != "adapter") {
            throw SimulatorError("unknown power source \"" + source + "\" (use battery or adapter)");
        }
        const auto mode = call.arguments().find("mode");
        if (mode == call.arguments().end() || !mode->is_number_integer() || mode->get<std::int64_t>() < 0 ||
            mode->get<std::int64_t>() > 2) {
            throw SimulatorError("powermode must be 0 (automatic), 1 (low power) or 2 (high power)");
        }
        if (!powerModeSupported_) {
            throw SimulatorError("this Mac has no power mode setting");
        }
        (source == "battery" ? batteryMode_ : adapterMode_) = mode->get<int>();
        call.succeed();
    });
    dispatcher.addOperation("pm.lowPowerMode", [this](OperationCall& call) {
        call.succeed({{"enabled", lowPowerMode()}});
    });
}

bool PowerSettingsModule::lowPowerMode() const
{
    return powerModeSupported_ && (battery_.onAdapterPower() ? adapterMode_ : batteryMode_) == 1;
}

std::function<void()> PowerSettingsModule::prepareModel(const HardwareModel& model)
{
    bool supported = false;
    const auto settings = model.document().find("powerSettings");
    if (settings != model.document().end()) {
        const auto powerMode = settings->is_object() ? settings->find("powerMode") : settings->end();
        if (!settings->is_object() || powerMode == settings->end() || !powerMode->is_boolean()) {
            throw SimulatorError("model " + model.name() +
                                 ": \"powerSettings\" must be an object with \"powerMode\" true or false");
        }
        supported = powerMode->get<bool>();
    }
    return [this, supported] {
        powerModeSupported_ = supported;
        batteryMode_ = 0;
        adapterMode_ = 0;
    };
}

void PowerSettingsModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json settings = {{"powerModeSupported", powerModeSupported_}};
    if (powerModeSupported_) {
        settings["battery"] = batteryMode_;
        settings["adapter"] = adapterMode_;
    }
    settings["lowPowerMode"] = lowPowerMode();
    status["powerSettings"] = std::move(settings);
}

}  // namespace simmac
