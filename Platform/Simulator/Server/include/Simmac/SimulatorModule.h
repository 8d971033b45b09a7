#pragma once

#include <functional>

#include <nlohmann/json.hpp>

#include "Simulator/SharedReadingsLayout.h"

namespace simmac {

class ClientSession;
class HardwareModel;

// One concern of the simulated Mac (the SMC, and later the battery, the
// registry, power management, launchd ...). A module registers its operations
// and services with the Dispatcher when it is built and is told about the
// machine's model, status requests and closed connections.
class SimulatorModule {
public:
    virtual ~SimulatorModule() = default;

    // Reads this module's part of `model` and returns the step that puts it in
    // force. Throws SimulatorError for a model it cannot use; nothing changes
    // then, because the dispatcher only commits when every module accepted.
    virtual std::function<void()> prepareModel(const HardwareModel& model) = 0;

    // Adds this module's members to the machine's status.
    virtual void addStatus(nlohmann::ordered_json& status) const = 0;

    // Adds the readings of this module that clients read over and over (see
    // Dispatcher::collectSharedReadings).
    virtual void shareReadings(simulator::SharedReadingsContent& content) const { static_cast<void>(content); }

    // The connection is gone (closed, or its process died): release what it held.
    virtual void connectionClosed(ClientSession& session) { static_cast<void>(session); }
};

}  // namespace simmac
