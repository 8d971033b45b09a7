#include "SimulatedMac.h"

#include <smc/smc.h>

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace {

std::filesystem::path makeTemporaryDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "hw-models.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

}  // namespace

SimulatedMac::SimulatedMac(const std::string& model, const ModelEdit& editModel)
{
    testsupport::SimmacProcess::Options simmacOptions;
    simmacOptions.model = model;
    if (editModel) {
        std::ifstream input(std::filesystem::path(SIMMAC_MODELS_DIRECTORY) / (model + ".json"));
        nlohmann::ordered_json file = nlohmann::ordered_json::parse(input);
        editModel(file);
        modelsDirectory_ = makeTemporaryDirectory();
        std::ofstream(modelsDirectory_ / (model + ".json")) << file.dump(2);
        simmacOptions.modelsDirectory = modelsDirectory_;
    }
    simmac_ = std::make_unique<testsupport::SimmacProcess>(simmacOptions);
    // The key-information cache outlives a simmac; a test's keys must not be
    // taken for an earlier test's.
    SMCCleanupCache();
    smc_ = std::make_unique<smckit::SMCKit>();
}

SimulatedMac::~SimulatedMac()
{
    smc_.reset();
    simmac_.reset();
    if (!modelsDirectory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(modelsDirectory_, ignored);
    }
}

std::string SimulatedMac::control(const std::vector<std::string>& arguments)
{
    const auto result = simmac_->simmacctl(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    return result.output;
}

std::string SimulatedMac::key(const std::string& code)
{
    const std::string line = control({"smc", "read", code});
    const std::size_t tab = line.rfind('\t');
    return line.substr(tab + 1, line.find_last_not_of('\n') - tab);
}

void SimulatedMac::setKey(const std::string& code, const std::string& hex)
{
    control({"smc", "write", code, hex});
}

void SimulatedMac::setFault(const std::string& code, const std::string& mode)
{
    control({"smc", "fault", code, mode});
}

void SimulatedMac::setOSVersion(const std::string& version)
{
    control({"os", version});
}

nlohmann::json SimulatedMac::status()
{
    return nlohmann::json::parse(control({"status"}));
}

std::unique_ptr<velkora::HardwareController> SimulatedMac::makeController()
{
    return std::make_unique<velkora::HardwareController>(
        *smc_, [this](std::chrono::milliseconds delay) { pauses_.push_back(delay); });
}

std::vector<std::chrono::milliseconds> SimulatedMac::takePauses()
{
    return std::exchange(pauses_, {});
}

void SimulatedMac::removeKey(nlohmann::ordered_json& model, const std::string& code)
{
    auto& keys = model["smc"]["keys"];
    for (auto entry = keys.begin(); entry != keys.end();) {
        entry = (*entry)["key"] == code ? keys.erase(entry) : entry + 1;
    }
}

void SimulatedMac::putKey(nlohmann::ordered_json& model, const std::string& code, const std::string& type,
                          const std::string& hex)
{
    removeKey(model, code);
    model["smc"]["keys"].push_back(
        {{"key", code}, {"type", type}, {"size", hex.size() / 2}, {"value", hex}, {"writable", true}});
}
