#pragma once

#include "HardwareController.h"

#include <SMCKit/SMCKit.h>
#include <TestSupport/SimmacProcess.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One simulated Mac for one test, seen as the controller sees it: simmac on a
// fresh root, an SMC connection of the test's own, and every pause the
// controller asks for recorded instead of slept.
class SimulatedMac {
public:
    using ModelEdit = std::function<void(nlohmann::ordered_json&)>;

    // simmac on the hardware model `model`; with `editModel`, on a copy of
    // the model's file changed by it.
    explicit SimulatedMac(const std::string& model, const ModelEdit& editModel = {});
    ~SimulatedMac();

    testsupport::SimmacProcess& simmac() { return *simmac_; }

    // simmacctl with `arguments`; a failure fails the test.
    std::string control(const std::vector<std::string>& arguments);
    // A key's bytes as upper-case hex, as the hardware holds them.
    std::string key(const std::string& code);
    void setKey(const std::string& code, const std::string& hex);
    void setFault(const std::string& code, const std::string& mode);
    // The operating-system version processes read from now on, such as "26.1".
    void setOSVersion(const std::string& version);
    // The machine's status as simmacctl prints it.
    nlohmann::json status();

    std::unique_ptr<velkora::HardwareController> makeController();
    // The pauses asked for since the last call.
    std::vector<std::chrono::milliseconds> takePauses();

    // Every key of a model file with this code.
    static void removeKey(nlohmann::ordered_json& model, const std::string& code);
    // Adds a key or replaces the one with the same code.
    static void putKey(nlohmann::ordered_json& model, const std::string& code, const std::string& type,
                       const std::string& hex);

private:
    std::filesystem::path modelsDirectory_;
    std::unique_ptr<testsupport::SimmacProcess> simmac_;
    std::unique_ptr<smckit::SMCKit> smc_;
    std::vector<std::chrono::milliseconds> pauses_;
};
