#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// Power assertions: created with a type, a level and a name by a process, held
// until that process releases them or its connection closes (it ended or
// crashed). Answers carry IOKit return codes, for the IOKit stand-in:
//   "pm.assertion.create" {"type", "level", "name"} -> {"status", "id"}
//   "pm.assertion.release" {"id"}                   -> {"status"}
// Status: "assertions": [{"id", "type", "level", "name", "pid", "process"}, ...]
class PowerAssertionModule : public SimulatorModule {
public:
    explicit PowerAssertionModule(Dispatcher& dispatcher);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;
    void connectionClosed(ClientSession& session) override;

private:
    struct Assertion {
        std::string type;
        std::uint32_t level = 0;
        std::string name;
        std::uint64_t owner = 0;  // the connection
        pid_t pid = 0;
        std::string process;
    };

    std::map<std::uint32_t, Assertion> assertions_;
    std::uint32_t nextIdentifier_ = 1;
};

}  // namespace simmac
