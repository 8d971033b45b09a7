#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "IOKit/IOReturn.h"
#include "Simulator/QueryMessage.h"
#include "Simulator/SharedReadingsLayout.h"

namespace simmac {

class ClientSession;
class HardwareModel;
class OperationCall;
class SimulatorModule;

// Routes what arrives on simmac's connections to the modules: JSON requests by
// operation name, binary queries (simulator::QueryMessage) by their operation,
// and struct-method calls to the user client of the service the connection
// opened. It also fans the machine-wide events (a new model, a status request,
// a closed connection) out to every module.
//
// What it serves itself, for the IOKit stand-in:
//   "iokit.match" {"class"}          -> {"found": bool}
//   "iokit.open"  {"class", "type"}  -> {} and the connection's calls go to that
//                                       service's user client
//   the query of a registry property -> its value, "none" when the entry has
//                                       no such property
class Dispatcher {
public:
    // The handler answers the call before it returns, or throws SimulatorError
    // (its text becomes the error reply), or moves the call away to answer it
    // later from the event loop.
    using OperationHandler = std::function<void(OperationCall& call)>;
    // Appends the answer to `value` in the binary form (registry::appendBinary),
    // or throws SimulatorError (its text becomes the error reply).
    using QueryHandler = std::function<void(const simulator::QueryCall& call, std::vector<std::uint8_t>& value)>;
    // Fills `output` (its size is what the caller can take) and sets the number
    // of bytes written; returns an IOKit return code.
    using StructMethodHandler = std::function<IOReturn(ClientSession& session, std::uint32_t selector,
                                                       std::span<const std::uint8_t> input,
                                                       std::span<std::uint8_t> output, std::size_t& outputLength)>;

    Dispatcher();

    void addModule(SimulatorModule& module);
    void addOperation(std::string name, OperationHandler handler);
    void addQuery(simulator::QueryOperation operation, QueryHandler handler);
    // A service lookups can match and connections can open.
    void publishService(std::string className, StructMethodHandler userClient);
    // The property dictionary (RegistryValue.h) of the registry entry of
    // class `className`, or null while the machine has no such entry.
    using PropertySource = std::function<const nlohmann::ordered_json*()>;
    // A service with properties and no user client (such as the battery's),
    // present while `properties` gives a dictionary.
    void publishRegistryEntry(std::string className, PropertySource properties);

    void dispatch(OperationCall call);
    IOReturn callStructMethod(ClientSession& session, std::uint32_t selector, std::span<const std::uint8_t> input,
                              std::span<std::uint8_t> output, std::size_t& outputLength);
    // Runs the handler of the query's operation; throws SimulatorError when it
    // fails or none answers that operation.
    void answerQuery(const simulator::QueryCall& call, std::vector<std::uint8_t>& value) const;

    // What clients may read without asking (SharedReadingsLayout.h): the
    // properties of every registry entry, the power sources and what the
    // modules share (the SMC's keys), each exactly as a query would answer.
    void collectSharedReadings(simulator::SharedReadingsContent& content) const;
    // `handler` runs whenever a shared reading may have changed: after every
    // JSON request, every struct-method call served on a socket and every
    // step of the battery, before the answer goes out.
    void setReadingsChangedHandler(std::function<void()> handler) { readingsChanged_ = std::move(handler); }
    void readingsChanged() const
    {
        if (readingsChanged_) {
            readingsChanged_();
        }
    }

    // Puts `model` in force in every module, or in none (SimulatorError).
    void loadModel(const HardwareModel& model);
    nlohmann::ordered_json status() const;
    void connectionClosed(ClientSession& session);

private:
    const nlohmann::ordered_json* registryProperties(std::string_view className) const;

    std::vector<SimulatorModule*> modules_;
    std::map<std::string, OperationHandler, std::less<>> operations_;
    std::map<std::string, StructMethodHandler, std::less<>> services_;
    std::map<std::string, PropertySource, std::less<>> registryEntries_;
    std::map<simulator::QueryOperation, QueryHandler> queries_;
    std::function<void()> readingsChanged_;
};

}  // namespace simmac
