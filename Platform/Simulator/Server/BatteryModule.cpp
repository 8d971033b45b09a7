#include "Simmac/BatteryModule.h"

#include "Log/Logger.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Simmac/Dispatcher.h"
#include "Simmac/HardwareModel.h"
#include "Simmac/IORegistryDump.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SMCModule.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

std::uint32_t code(const char* text)
{
    return codeFromText(text, "a key");
}

// A numeric argument or model member within [minimum, maximum].
double numberIn(const nlohmann::ordered_json& object, const char* name, double minimum, double maximum,
                const std::string& where)
{
    const auto member = object.find(name);
    if (member == object.end() || !member->is_number() || !std::isfinite(member->get<double>()) ||
        member->get<double>() < minimum || member->get<double>() > maximum) {
        char range[64];
        std::snprintf(range, sizeof range, "%g to %g", minimum, maximum);
        throw SimulatorError(where + "\"" + name + "\" must be a number from " + range +
                             (member == object.end() ? "" : ", got " + member->dump()));
    }
    return member->get<double>();
}

std::vector<std::uint8_t> floatBytes(double value)
{
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 24)};
}

std::vector<std::uint8_t> unsigned16(double value)
{
    return architectureOrderedBytes(static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 0xFFFFL)), 2);
}

std::vector<std::uint8_t> signed16(double value)
{
    const auto raw = static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
    return architectureOrderedBytes(static_cast<std::uint16_t>(raw), 2);
}

// Signed 7.8 fixed point, most significant byte first.
std::vector<std::uint8_t> sp78(double celsius)
{
    const auto raw = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(std::lround(celsius * 256), -32768L, 32767L)));
    return {static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw)};
}

}  // namespace

BatteryModule::BatteryModule(Dispatcher& dispatcher, asio::io_context& context, SMCModule& smc)
    : dispatcher_(dispatcher), smc_(smc), timer_(context)
{
    dispatcher.addModule(*this);
    dispatcher.publishRegistryEntry("AppleSmartBattery", [this] { return smartBatteryProperties(); });

    const auto change = [this, &dispatcher](const char* name, std::function<void(OperationCall&)> apply) {
        dispatcher.addOperation(name, [this, apply = std::move(apply)](OperationCall& call) {
            if (!configuration_) {
                throw SimulatorError("no model is loaded");
            }
            apply(call);
            settleAndPublish();
            call.succeed(describe());
        });
    };
    change("battery.plug", [this](OperationCall& call) {
        double watts = configuration_->modelAdapterWatts;
        if (call.arguments().contains("watts")) {
            watts = numberIn(call.arguments(), "watts", 1, 250, "");
        }
        physics().plug(static_cast<int>(std::lround(watts)), configuration_->modelAdapterVolts);
    });
    change("battery.unplug", [this](OperationCall&) {
        requireBatteryBay("unplugging would switch it off");
        physics().unplug();
    });
    change("battery.level", [this](OperationCall& call) {
        requireBatteryBay("it has no level");
        physics().setLevel(numberIn(call.arguments(), "percent", 0, 100, ""));
    });
    change("battery.temperature", [this](OperationCall& call) {
        requireBatteryBay("it has no battery temperature");
        physics().setTemperature(numberIn(call.arguments(), "celsius", -40, 100, ""));
    });
    change("battery.load", [this](OperationCall& call) {
        physics().setLoad(numberIn(call.arguments(), "watts", 0, 500, ""));
    });
    change("battery.speed", [this](OperationCall& call) {
        setSpeed(numberIn(call.arguments(), "factor", 0, maximumSpeed, ""));
    });
    change("battery.remove", [this](OperationCall&) {
        requireBatteryBay("it has no battery to remove");
        physics().removeBattery();
    });
    change("battery.insert", [this](OperationCall&) {
        requireBatteryBay("it has no place for a battery");
        physics().insertBattery();
    });
    dispatcher.addOperation("battery.capture", [this](OperationCall& call) {
        if (!configuration_) {
            throw SimulatorError("no model is loaded");
        }
        std::vector<std::string> assumptions;
        putInForce(
            withCapture(*configuration_, call.stringArgument("text"), call.stringArgument("name"), &assumptions));
        nlohmann::ordered_json reply = describe();
        if (!assumptions.empty()) {
            reply["assumed"] = assumptions;
        }
        call.succeed(std::move(reply));
    });
}

void BatteryModule::setSpeed(double factor)
{
    speed_ = factor;
    pendingSeconds_ = 0;
}

void BatteryModule::setStartSpeed(double factor)
{
    startSpeed_ = factor;
    setSpeed(factor);
}

BatteryPhysics& BatteryModule::physics()
{
    return configuration_->physics;
}

void BatteryModule::requireBatteryBay(const char* what) const
{
    if (!configuration_->physics.hasBatteryBay()) {
        throw SimulatorError("model " + modelName_ + " has no battery: " + what);
    }
}

BatteryModule::Configuration BatteryModule::configurationOf(const HardwareModel& model)
{
    const nlohmann::ordered_json& document = model.document();
    const std::string where = "model " + model.name() + ": ";

    const auto adapterMember = document.find("adapter");
    if (adapterMember == document.end() || !adapterMember->is_object()) {
        throw SimulatorError(where + "no \"adapter\" object with \"plugged\", \"watts\" and \"voltage\"");
    }
    const auto plugged = adapterMember->find("plugged");
    if (plugged == adapterMember->end() || !plugged->is_boolean()) {
        throw SimulatorError(where + "\"adapter\" needs \"plugged\" true or false");
    }
    BatteryPhysics::Adapter adapter;
    adapter.plugged = plugged->get<bool>();
    adapter.watts = static_cast<int>(std::lround(numberIn(*adapterMember, "watts", 1, 250, where + "adapter ")));
    adapter.volts = numberIn(*adapterMember, "voltage", 5, 48, where + "adapter ");
    const double load = numberIn(document, "load", 0, 500, where);

    Configuration configuration{BatteryPhysics(std::nullopt, adapter, load),
                                CapacityUnits::percent,
                                registry::dictionary(),
                                adapter.watts,
                                adapter.volts,
                                std::nullopt,
                                {}};

    const auto battery = document.find("battery");
    if (battery == document.end()) {
        if (!adapter.plugged) {
            throw SimulatorError(where + "a machine without a battery must have its adapter plugged in");
        }
        return configuration;
    }
    if (!battery->is_object()) {
        throw SimulatorError(where + "\"battery\" must be an object");
    }
    const std::string batteryWhere = where + "battery ";
    const auto capture = battery->find("capture");
    if (capture != battery->end()) {
        if (!capture->is_string()) {
            throw SimulatorError(batteryWhere + "\"capture\" must name an ioreg dump");
        }
        const std::filesystem::path file = model.directory() / capture->get<std::string>();
        std::ifstream input(file);
        std::stringstream text;
        text << input.rdbuf();
        if (!input) {
            throw SimulatorError(where + "cannot read the capture " + file.string());
        }
        return withCapture(std::move(configuration), text.str(), file.string());
    }
    const auto units = battery->find("capacityUnits");
    if (units == battery->end() || !units->is_string() || (*units != "percent" && *units != "mAh")) {
        throw SimulatorError(batteryWhere + "\"capacityUnits\" must be \"percent\" or \"mAh\"");
    }
    configuration.units = *units == "percent" ? CapacityUnits::percent : CapacityUnits::milliampHours;

    BatteryPhysics::Pack pack;
    pack.designCapacityMAh = numberIn(*battery, "designCapacity", 100, 30000, batteryWhere);
    pack.fullChargeCapacityMAh = numberIn(*battery, "fullChargeCapacity", 100, 30000, batteryWhere);
    pack.chargeMAh = pack.fullChargeCapacityMAh * numberIn(*battery, "level", 0, 100, batteryWhere) / 100;
    pack.cycleCount = static_cast<int>(numberIn(*battery, "cycleCount", 0, 100000, batteryWhere));
    pack.temperatureCelsius = numberIn(*battery, "temperature", -40, 100, batteryWhere);
    configuration.physics = BatteryPhysics(pack, adapter, load);

    const auto properties = battery->find("properties");
    if (properties != battery->end()) {
        if (!properties->is_object()) {
            throw SimulatorError(batteryWhere + "\"properties\" must be an object");
        }
        try {
            configuration.base = registry::fromJSON(*properties);
        } catch (const SimulatorError& error) {
            throw SimulatorError(batteryWhere + "properties: " + error.what());
        }
    }
    return configuration;
}

BatteryModule::Configuration BatteryModule::withCapture(Configuration configuration, std::string_view text,
                                                       const std::string& name, std::vector<std::string>* assumptions)
{
    registry::Value entry;
    std::vector<std::string> assumed;
    try {
        entry = IORegistryDump::parse(text, "AppleSmartBattery", &assumed);
    } catch (const SimulatorError& error) {
        throw SimulatorError(name + ", " + error.what());
    }
    for (const std::string& assumption : assumed) {
        platform::Logger("simmac", "Battery").notice("%s, %s", name, assumption);
        if (assumptions != nullptr) {
            assumptions->push_back(name + ", " + assumption);
        }
    }
    const auto integer = [&](const char* key) { return registry::integerOf(registry::member(entry, key)); };
    const auto positive = [&](const char* key) {
        const std::optional<std::int64_t> value = integer(key);
        return value && *value > 0 ? value : std::nullopt;
    };

    const bool percent = capacityUnitsOf(entry) == CapacityUnits::percent;
    const std::optional<std::int64_t> full =
        percent ? (positive("AppleRawMaxCapacity") ? positive("AppleRawMaxCapacity") : positive("NominalChargeCapacity"))
                : positive("MaxCapacity");
    if (!full) {
        throw SimulatorError(name + ": the entry states no full-charge capacity in mAh (\"AppleRawMaxCapacity\" or "
                                    "\"MaxCapacity\")");
    }
    const std::optional<std::int64_t> shown = integer("CurrentCapacity");
    std::optional<std::int64_t> charge = percent ? integer("AppleRawCurrentCapacity") : shown;
    if (!charge && percent && shown) {
        charge = *shown * *full / 100;
    }
    if (!charge) {
        throw SimulatorError(name + ": the entry states no present charge (\"CurrentCapacity\")");
    }

    BatteryPhysics::Pack pack;
    pack.fullChargeCapacityMAh = static_cast<double>(*full);
    pack.chargeMAh = std::clamp(static_cast<double>(*charge), 0.0, pack.fullChargeCapacityMAh);
    pack.designCapacityMAh = static_cast<double>(positive("DesignCapacity").value_or(*full));
    pack.cycleCount = static_cast<int>(std::max<std::int64_t>(0, integer("CycleCount").value_or(0)));
    const std::optional<std::int64_t> kelvinTenths = positive("Temperature");
    pack.temperatureCelsius = kelvinTenths ? static_cast<double>(*kelvinTenths) / 10 - 273.15 : 30;

    const registry::Value* details = registry::member(entry, "AdapterDetails");
    const auto detail = [&](const char* key) -> std::optional<std::int64_t> {
        const std::optional<std::int64_t> value =
            details != nullptr ? registry::integerOf(registry::member(*details, key)) : std::nullopt;
        return value && *value > 0 ? value : std::nullopt;
    };
    BatteryPhysics::Adapter adapter;
    adapter.plugged = registry::booleanOf(registry::member(entry, "ExternalConnected")).value_or(false);
    adapter.watts = static_cast<int>(detail("Watts").value_or(configuration.modelAdapterWatts));
    adapter.volts = detail("AdapterVoltage") ? static_cast<double>(*detail("AdapterVoltage")) / 1000
                                             : configuration.modelAdapterVolts;

    const Readings readings{static_cast<double>(integer("Voltage").value_or(0)),
                            static_cast<double>(integer("Amperage").value_or(0))};
    double load = configuration.physics.loadWatts();
    if (!adapter.plugged && readings.currentMilliamps < 0) {
        // On battery the pack carries the whole load.
        load = -readings.currentMilliamps * readings.voltageMillivolts / 1e6;
    }

    configuration.physics = BatteryPhysics(pack, adapter, load);
    if (percent && shown) {
        configuration.physics.setShownLevel(static_cast<int>(*shown));
    }
    configuration.units = percent ? CapacityUnits::percent : CapacityUnits::milliampHours;
    configuration.base = std::move(entry);
    configuration.capturedReadings = readings;
    configuration.captureName = std::filesystem::path(name).filename().string();
    return configuration;
}

void BatteryModule::putInForce(Configuration configuration)
{
    configuration_ = std::move(configuration);
    lastControls_ = readControls();
    physics().settle(lastControls_);
    if (configuration_->capturedReadings) {
        physics().continueFrom(configuration_->capturedReadings->voltageMillivolts,
                               configuration_->capturedReadings->currentMilliamps);
    } else {
        continueFromModelReadings();
    }
    publish();
}

std::function<void()> BatteryModule::prepareModel(const HardwareModel& model)
{
    auto configuration = std::make_shared<Configuration>(configurationOf(model));
    return [this, configuration, name = model.name()] {
        modelName_ = name;
        setSpeed(startSpeed_);
        putInForce(std::move(*configuration));
        // A tick of the old model that is already due must not run on.
        ++timerGeneration_;
        timer_.cancel();
        nextTick_ = std::chrono::steady_clock::now() + tickInterval;
        armTimer();
    };
}

void BatteryModule::armTimer()
{
    timer_.expires_at(nextTick_);
    timer_.async_wait([this, generation = timerGeneration_](const std::error_code& error) {
        if (!error && generation == timerGeneration_) {
            tick();
        }
    });
}

void BatteryModule::tick()
{
    pendingSeconds_ += speed_ * std::chrono::duration<double>(tickInterval).count();
    const double whole = std::floor(pendingSeconds_);
    pendingSeconds_ -= whole;
    const ChargerControls controls = readControls();
    // Between simulated seconds only a change of the controls moves the readings.
    const bool changed = whole > 0 || controls != lastControls_;
    if (whole == 0 && changed) {
        physics().settle(controls);
    }
    lastControls_ = controls;
    for (double second = 0; second < whole; ++second) {
        physics().advance(controls);
    }
    if (changed) {
        publish();
    }

    // Ticks keep their rhythm even when one ran late.
    nextTick_ = std::max(nextTick_ + tickInterval, std::chrono::steady_clock::now());
    armTimer();
}

ChargerControls BatteryModule::readControls() const
{
    const auto firstByte = [this](const char* text) -> std::uint8_t {
        const SMCKey* key = smc_.key(code(text));
        return key != nullptr && !key->value.empty() ? key->value[0] : 0;
    };
    const auto littleEndian = [this](const char* text) -> std::uint32_t {
        const SMCKey* key = smc_.key(code(text));
        std::uint32_t value = 0;
        for (std::size_t i = key != nullptr ? std::min<std::size_t>(key->value.size(), 4) : 0; i-- > 0;) {
            value = value << 8 | key->value[i];
        }
        return value;
    };

    ChargerControls controls;
    controls.adapterDisabled = firstByte("CH0I") != 0 || firstByte("CH0J") != 0 || firstByte("CHIE") == 0x08;
    controls.chargingInhibited = firstByte("CH0B") != 0 || firstByte("CH0C") != 0 || firstByte("CHTE") != 0;
    if (firstByte("bfF0") == 0x02) {
        controls.firmwareLimit = ChargerControls::FirmwareLimit{static_cast<int>(littleEndian("bfE0")),
                                                                static_cast<int>(littleEndian("bfD0"))};
    }
    return controls;
}

void BatteryModule::settleAndPublish()
{
    lastControls_ = readControls();
    physics().settle(lastControls_);
    publish();
}

void BatteryModule::continueFromModelReadings()
{
    const auto integer = [this](const char* text, bool isSigned) -> std::optional<double> {
        const SMCKey* key = smc_.key(code(text));
        if (key == nullptr || key->size() != 2) {
            return std::nullopt;
        }
        const std::vector<std::uint8_t> order = architectureOrderedBytes(0x0102, 2);
        const std::uint16_t raw = order[0] == 0x01 ? static_cast<std::uint16_t>(key->value[0] << 8 | key->value[1])
                                                   : static_cast<std::uint16_t>(key->value[1] << 8 | key->value[0]);
        return isSigned ? static_cast<double>(static_cast<std::int16_t>(raw)) : static_cast<double>(raw);
    };
    const std::optional<double> voltage = integer("B0AV", false);
    const std::optional<double> current = integer("B0AC", true);
    if (voltage && current) {
        physics().continueFrom(*voltage, *current);
    }
}

void BatteryModule::publish()
{
    const BatteryPhysics& state = configuration_->physics;
    if (state.hasBatteryBay()) {
        entry_ = smartBatteryEntry(state, configuration_->units, configuration_->base);
    }

    const auto update = [this](const char* key, const std::vector<std::uint8_t>& bytes) {
        smc_.updateSensor(code(key), bytes);
    };
    const bool installed = state.batteryInstalled();
    const BatteryPhysics::Pack& pack = state.pack();
    const BatteryPhysics::Adapter& adapter = state.adapter();
    update("B0AV", unsigned16(state.voltageMillivolts()));
    update("B0AC", signed16(state.currentMilliamps()));
    update("B0RM", unsigned16(installed ? pack.chargeMAh : 0));
    update("B0FC", unsigned16(installed ? pack.fullChargeCapacityMAh : 0));
    update("BRSC", unsigned16(state.level()));
    update("B0CT", unsigned16(pack.cycleCount));
    update("B0TE", unsigned16(state.minutesToEmpty().value_or(0xFFFF)));
    update("B0TF", unsigned16(state.minutesToFull().value_or(0xFFFF)));
    update("TB0T", sp78(installed ? pack.temperatureCelsius : 0));
    update("BATP", {static_cast<std::uint8_t>(installed && !state.adapterEnabled() ? 1 : 0)});
    update("AC-W", {static_cast<std::uint8_t>(adapter.plugged ? std::min(adapter.watts, 127) : 0)});
    update("VD0R", floatBytes(adapter.plugged ? adapter.volts : 0));
    update("ID0R", floatBytes(adapter.plugged && adapter.volts > 0 ? state.adapterInputWatts() / adapter.volts : 0));
    update("PDTR", floatBytes(state.loadWatts()));
    dispatcher_.readingsChanged();
}

const registry::Value* BatteryModule::smartBatteryProperties() const
{
    return configuration_ && configuration_->physics.hasBatteryBay() ? &entry_ : nullptr;
}

bool BatteryModule::onAdapterPower() const
{
    return configuration_ && configuration_->physics.adapterEnabled();
}

nlohmann::ordered_json BatteryModule::describe() const
{
    const BatteryPhysics& state = configuration_->physics;
    const BatteryPhysics::Pack& pack = state.pack();
    const BatteryPhysics::Adapter& adapter = state.adapter();
    const auto tenths = [](double value) { return std::round(value * 10) / 10; };
    nlohmann::ordered_json battery = nlohmann::ordered_json::object();
    battery["batteryBay"] = state.hasBatteryBay();
    if (!configuration_->captureName.empty()) {
        battery["capture"] = configuration_->captureName;
    }
    if (state.hasBatteryBay()) {
        battery["installed"] = state.batteryInstalled();
        battery["level"] = state.level();
        battery["chargeMAh"] = std::lround(pack.chargeMAh);
        battery["fullChargeCapacityMAh"] = std::lround(pack.fullChargeCapacityMAh);
        battery["designCapacityMAh"] = std::lround(pack.designCapacityMAh);
        battery["cycleCount"] = pack.cycleCount;
        battery["charging"] = state.isCharging();
        battery["fullyCharged"] = state.isFullyCharged();
        battery["currentMA"] = std::lround(state.currentMilliamps());
        battery["voltageMV"] = std::lround(state.voltageMillivolts());
        battery["temperatureCelsius"] = tenths(pack.temperatureCelsius);
    }
    battery["adapter"] = {{"plugged", adapter.plugged},
                          {"enabled", state.adapterEnabled()},
                          {"watts", adapter.watts},
                          {"voltage", tenths(adapter.volts)},
                          {"inputWatts", tenths(state.adapterInputWatts())}};
    battery["loadWatts"] = tenths(state.loadWatts());
    battery["speed"] = speed_;
    return battery;
}

void BatteryModule::addStatus(nlohmann::ordered_json& status) const
{
    if (configuration_) {
        status["battery"] = describe();
    }
}

}  // namespace simmac
