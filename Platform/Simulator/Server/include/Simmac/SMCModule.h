#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "IOKit/IOReturn.h"
#include "Simmac/SMCKeyTable.h"
#include "Simmac/SimulatorModule.h"

namespace simmac {

class ClientSession;
class Dispatcher;

// The System Management Controller: the key table of the model and the
// "AppleSMC" user client, whose struct method takes and returns the parameter
// record of SMCParamRecord.h. Its keys are shared with clients
// (SharedReadingsLayout.h), who answer reads from them.
//
// Operations (the hardware's own view, for simmacctl and tests; no privilege):
//   "smc.list"               -> [{"key", "type", "size", "value", "writable", "fault"}, ...]
//   "smc.read"  {"key"}      -> {"key", "type", "size", "value", "writable", "fault"}
//   "smc.write" {"key", "value"}   writes as the hardware itself, whatever the key's faults;
//                                  a sensor key written so keeps the value (the
//                                  battery no longer drives it) until the next model
//   "smc.fault" {"key", "mode"}    mode "none", "ignore-writes" or "refuse"
class SMCModule : public SimulatorModule {
public:
    static constexpr const char* serviceClass = "AppleSMC";

    explicit SMCModule(Dispatcher& dispatcher);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;
    void shareReadings(simulator::SharedReadingsContent& content) const override;

    // The key `code` of the running model, or null.
    const SMCKey* key(std::uint32_t code) const { return keys_.find(code); }
    // The hardware updates a sensor key (a battery or power reading). Ignored
    // for a key the model lacks, for a value of another size and for a key set
    // by hand with "smc.write".
    void updateSensor(std::uint32_t code, std::span<const std::uint8_t> value);

private:
    IOReturn callStructMethod(ClientSession& session, std::uint32_t selector, std::span<const std::uint8_t> input,
                              std::span<std::uint8_t> output, std::size_t& outputLength);
    SMCKey& keyArgument(const nlohmann::ordered_json& arguments);

    SMCKeyTable keys_;
    std::set<std::uint32_t> keysSetByHand_;
};

nlohmann::ordered_json describeKey(const SMCKey& key);

}  // namespace simmac
