#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// The machine as a whole: which hardware model it is, and its status.
//   "status"          -> {"model": name, ...every module's members}
//   "model" {"name"}  -> switches to the model, resetting every module
//   "models"          -> {"models": [name, ...], "current": name}, names sorted
class MachineModule : public SimulatorModule {
public:
    MachineModule(Dispatcher& dispatcher, std::filesystem::path modelsDirectory);

    // Throws SimulatorError (and keeps the running model) when the model is
    // unknown or any module cannot use it.
    void loadModel(std::string_view name);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;

private:
    Dispatcher& dispatcher_;
    std::filesystem::path modelsDirectory_;
    std::string modelName_;
};

}  // namespace simmac
