#include "Simmac/MachineModule.h"

#include "Log/Logger.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/HardwareModel.h"
#include "Simmac/OperationCall.h"

namespace simmac {

MachineModule::MachineModule(Dispatcher& dispatcher, std::filesystem::path modelsDirectory)
    : dispatcher_(dispatcher), modelsDirectory_(std::move(modelsDirectory))
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("status", [this](OperationCall& call) { call.succeed(dispatcher_.status()); });
    dispatcher.addOperation("model", [this](OperationCall& call) {
        loadModel(call.stringArgument("name"));
        call.succeed(dispatcher_.status());
    });
    dispatcher.addOperation("models", [this](OperationCall& call) {
        call.succeed({{"models", HardwareModel::availableNames(modelsDirectory_)}, {"current", modelName_}});
    });
}

void MachineModule::loadModel(std::string_view name)
{
    dispatcher_.loadModel(HardwareModel::load(modelsDirectory_, name));
    platform::Logger("simmac", "Machine").info("model %s", modelName_);
}

std::function<void()> MachineModule::prepareModel(const HardwareModel& model)
{
    return [this, name = model.name()] { modelName_ = name; };
}

void MachineModule::addStatus(nlohmann::ordered_json& status) const
{
    status["model"] = modelName_;
}

}  // namespace simmac
