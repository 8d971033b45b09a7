#include "Simmac/AccessibilityModule.h"

#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

AccessibilityModule::AccessibilityModule(Dispatcher& dispatcher)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("accessibility.get", [this](OperationCall& call) {
        call.succeed({{"reduceMotion", reduceMotion_}});
    });
    dispatcher.addOperation("accessibility.set", [this](OperationCall& call) {
        const auto value = call.arguments().find("reduceMotion");
        if (value == call.arguments().end() || !value->is_boolean()) {
            throw SimulatorError("accessibility.set: \"reduceMotion\" must be true or false");
        }
        const bool changed = reduceMotion_ != value->get<bool>();
        reduceMotion_ = value->get<bool>();
        if (changed) {
            const nlohmann::ordered_json event = {{"event", "accessibility"}, {"reduceMotion", reduceMotion_}};
            for (const auto& [identifier, subscriber] : subscribers_) {
                if (const auto session = subscriber.lock()) {
                    session->push(event);
                }
            }
        }
        call.succeed({{"reduceMotion", reduceMotion_}});
    });
    dispatcher.addOperation("accessibility.subscribe", [this](OperationCall& call) {
        subscribers_[call.session().identifier()] = call.sharedSession();
        call.succeed({{"reduceMotion", reduceMotion_}});
    });
}

std::function<void()> AccessibilityModule::prepareModel(const HardwareModel&)
{
    return [] {};
}

void AccessibilityModule::addStatus(nlohmann::ordered_json& status) const
{
    status["accessibility"] = {{"reduceMotion", reduceMotion_}, {"subscribers", subscribers_.size()}};
}

void AccessibilityModule::connectionClosed(ClientSession& session)
{
    subscribers_.erase(session.identifier());
}

}  // namespace simmac
