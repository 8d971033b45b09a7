#include "Simmac/Dispatcher.h"

#include "Simmac/ClientSession.h"
#include "Simmac/OperationCall.h"
#include "Simmac/RegistryValue.h"
#include "Simmac/SimulatorError.h"
#include "Simmac/SimulatorModule.h"

namespace simmac {

Dispatcher::Dispatcher()
{
    addOperation("iokit.match", [this](OperationCall& call) {
        const std::string className = call.stringArgument("class");
        call.succeed({{"found", services_.contains(className) || registryProperties(className) != nullptr}});
    });
    addOperation("iokit.open", [this](OperationCall& call) {
        const std::string className = call.stringArgument("class");
        if (!services_.contains(className)) {
            throw SimulatorError(registryProperties(className) != nullptr
                                     ? "the service of class " + className + " has no user client"
                                     : "no service of class " + className);
        }
        call.session().setUserClientClass(className);
        call.succeed();
    });
    addQuery(simulator::QueryOperation::registryProperty,
             [this](const simulator::QueryCall& call, std::vector<std::uint8_t>& value) {
                 const nlohmann::ordered_json* properties = registryProperties(call.className);
                 if (properties == nullptr) {
                     throw SimulatorError("no service of class " + std::string(call.className));
                 }
                 registry::appendBinary(registry::member(*properties, call.key), value);
             });
    addQuery(simulator::QueryOperation::registryProperties,
             [this](const simulator::QueryCall& call, std::vector<std::uint8_t>& value) {
                 const nlohmann::ordered_json* properties = registryProperties(call.className);
                 if (properties == nullptr) {
                     throw SimulatorError("no service of class " + std::string(call.className));
                 }
                 registry::appendBinary(properties, value);
             });
}

const nlohmann::ordered_json* Dispatcher::registryProperties(std::string_view className) const
{
    const auto entry = registryEntries_.find(className);
    return entry == registryEntries_.end() ? nullptr : entry->second();
}

void Dispatcher::addModule(SimulatorModule& module)
{
    modules_.push_back(&module);
}

void Dispatcher::addOperation(std::string name, OperationHandler handler)
{
    operations_[std::move(name)] = std::move(handler);
}

void Dispatcher::publishService(std::string className, StructMethodHandler userClient)
{
    services_[std::move(className)] = std::move(userClient);
}

void Dispatcher::publishRegistryEntry(std::string className, PropertySource properties)
{
    registryEntries_[std::move(className)] = std::move(properties);
}

void Dispatcher::addQuery(simulator::QueryOperation operation, QueryHandler handler)
{
    queries_[operation] = std::move(handler);
}

void Dispatcher::answerQuery(const simulator::QueryCall& call, std::vector<std::uint8_t>& value) const
{
    const std::string name = "query " + std::to_string(static_cast<unsigned>(call.operation));
    const auto handler = queries_.find(call.operation);
    if (handler == queries_.end()) {
        throw SimulatorError("this simulated Mac does not answer " + name);
    }
    try {
        handler->second(call, value);
    } catch (const SimulatorError&) {
        throw;
    } catch (const std::exception& error) {
        throw SimulatorError(name + " failed inside simmac: " + error.what());
    }
}

void Dispatcher::dispatch(OperationCall call)
{
    if (call.operation().empty()) {
        call.fail("a request must name its operation in \"op\"");
        return;
    }
    const auto handler = operations_.find(call.operation());
    if (handler == operations_.end()) {
        call.fail("unknown operation \"" + call.operation() + "\"");
        return;
    }
    // fail() does nothing when the handler answered or moved the call away
    // before it threw.
    try {
        handler->second(call);
    } catch (const SimulatorError& error) {
        call.fail(error.what());
    } catch (const std::exception& error) {
        call.fail(call.operation() + " failed inside simmac: " + error.what());
    }
}

IOReturn Dispatcher::callStructMethod(ClientSession& session, std::uint32_t selector,
                                      std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                      std::size_t& outputLength)
{
    outputLength = 0;
    if (session.userClientClass().empty()) {
        return kIOReturnNotOpen;
    }
    const auto service = services_.find(session.userClientClass());
    if (service == services_.end()) {
        return kIOReturnNotOpen;
    }
    return service->second(session, selector, input, output, outputLength);
}

void Dispatcher::collectSharedReadings(simulator::SharedReadingsContent& content) const
{
    std::vector<std::uint8_t> answer;
    const auto share = [&](const simulator::QueryCall& call) {
        answer.clear();
        try {
            answerQuery(call, answer);
            content.addQueryAnswer(call.operation, call.className, simulator::QueryOutcome::value, answer);
        } catch (const SimulatorError& error) {
            const std::string_view message = error.what();
            content.addQueryAnswer(call.operation, call.className, simulator::QueryOutcome::error,
                                   std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()));
        }
    };
    for (const auto& [className, properties] : registryEntries_) {
        share({simulator::QueryOperation::registryProperties, className, {}});
    }
    if (queries_.contains(simulator::QueryOperation::powerSources)) {
        share({simulator::QueryOperation::powerSources, {}, {}});
    }
    for (const SimulatorModule* module : modules_) {
        module->shareReadings(content);
    }
}

void Dispatcher::loadModel(const HardwareModel& model)
{
    std::vector<std::function<void()>> commits;
    commits.reserve(modules_.size());
    for (SimulatorModule* module : modules_) {
        commits.push_back(module->prepareModel(model));
    }
    for (const auto& commit : commits) {
        commit();
    }
}

nlohmann::ordered_json Dispatcher::status() const
{
    nlohmann::ordered_json status = nlohmann::ordered_json::object();
    for (const SimulatorModule* module : modules_) {
        module->addStatus(status);
    }
    return status;
}

void Dispatcher::connectionClosed(ClientSession& session)
{
    for (SimulatorModule* module : modules_) {
        module->connectionClosed(session);
    }
}

}  // namespace simmac
