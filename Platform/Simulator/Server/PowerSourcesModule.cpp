#include "Simmac/PowerSourcesModule.h"

#include <cmath>

#include "Simmac/BatteryModule.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/SmartBatteryEntry.h"
#include "Simulator/RegistryValueWriter.h"

namespace simmac {

namespace {

constexpr std::int64_t stillEstimating = 65535;

std::int64_t estimate(const registry::Value& entry, const char* key)
{
    const std::optional<std::int64_t> minutes = registry::integerOf(registry::member(entry, key));
    return !minutes || *minutes == stillEstimating || *minutes < 0 ? -1 : *minutes;
}

}  // namespace

registry::Value internalBatteryDescription(const registry::Value& smartBattery)
{
    const auto integer = [&](const char* key) { return registry::integerOf(registry::member(smartBattery, key)); };
    const auto flag = [&](const char* key) { return registry::booleanOf(registry::member(smartBattery, key)); };

    const std::int64_t current = integer("CurrentCapacity").value_or(0);
    const std::int64_t maximum = integer("MaxCapacity").value_or(0);
    std::int64_t percent = current;
    if (capacityUnitsOf(smartBattery) == CapacityUnits::milliampHours) {
        percent = maximum > 0 ? std::llround(static_cast<double>(current) * 100 / static_cast<double>(maximum)) : 0;
    }
    const bool charging = flag("IsCharging").value_or(false);
    const bool onAC = flag("ExternalConnected").value_or(false) && flag("ExternalChargeCapable").value_or(true);

    registry::Value description = registry::dictionary();
    const auto set = [&](const char* key, registry::Value value) {
        registry::setMember(description, key, std::move(value));
    };
    set("Name", registry::text("InternalBattery-0"));
    set("Type", registry::text("InternalBattery"));
    set("Transport Type", registry::text("Internal"));
    set("Is Present", registry::boolean(true));
    set("Power Source State", registry::text(onAC ? "AC Power" : "Battery Power"));
    set("Current Capacity", registry::integer(percent));
    set("Max Capacity", registry::integer(100));
    set("Is Charging", registry::boolean(charging));
    if (flag("FullyCharged").value_or(false)) {
        set("Is Charged", registry::boolean(true));
    }
    set("Time to Empty", registry::integer(onAC ? 0 : estimate(smartBattery, "AvgTimeToEmpty")));
    set("Time to Full Charge", registry::integer(charging ? estimate(smartBattery, "AvgTimeToFull") : 0));
    if (const auto temperature = integer("Temperature")) {
        set("Temperature", registry::integer(*temperature));
    }
    if (const auto amperage = integer("Amperage")) {
        set("Current", registry::integer(*amperage));
    }
    return description;
}

PowerSourcesModule::PowerSourcesModule(Dispatcher& dispatcher, const BatteryModule& battery) : battery_(battery)
{
    dispatcher.addQuery(simulator::QueryOperation::powerSources,
                        [this](const simulator::QueryCall&, std::vector<std::uint8_t>& value) {
                            const nlohmann::ordered_json list = sources();
                            simulator::RegistryValueWriter(value).array(static_cast<std::uint32_t>(list.size()));
                            for (const registry::Value& description : list) {
                                registry::appendBinary(&description, value);
                            }
                        });
}

nlohmann::ordered_json PowerSourcesModule::sources() const
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const registry::Value* entry = battery_.smartBatteryProperties();
    if (entry != nullptr && registry::booleanOf(registry::member(*entry, "BatteryInstalled")).value_or(true)) {
        list.push_back(internalBatteryDescription(*entry));
    }
    return list;
}

}  // namespace simmac
