#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// The user's accessibility display options; for now the one the application
// follows: reduce motion (off at start). It is the user's setting, not the
// hardware's, so it survives a change of model. Connections that subscribe
// are told of every change, as
//   {"event": "accessibility", "reduceMotion": bool}
// and stop being told when they close.
//   "accessibility.get"                        -> {"reduceMotion"}
//   "accessibility.set" {"reduceMotion": bool} -> {"reduceMotion"}
//   "accessibility.subscribe"                  -> {"reduceMotion"}
// Status: "accessibility": {"reduceMotion", "subscribers"}.
class AccessibilityModule : public SimulatorModule {
public:
    explicit AccessibilityModule(Dispatcher& dispatcher);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;
    void connectionClosed(ClientSession& session) override;

private:
    bool reduceMotion_ = false;
    std::map<std::uint64_t, std::weak_ptr<ClientSession>> subscribers_;
};

}  // namespace simmac
