#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace simmac {

// A hardware model: a JSON file <name>.json in the models folder. Each module
// reads its own member of the document (the SMC its "smc" member).
class HardwareModel {
public:
    // Throws SimulatorError naming the model and what is wrong (unknown name,
    // unreadable file, JSON syntax).
    static HardwareModel load(const std::filesystem::path& directory, std::string_view name);

    // Names of the models in `directory`, sorted.
    static std::vector<std::string> availableNames(const std::filesystem::path& directory);

    const std::string& name() const { return name_; }
    const nlohmann::ordered_json& document() const { return document_; }
    // The folder of the model file, against which files it names are found.
    const std::filesystem::path& directory() const { return directory_; }

private:
    HardwareModel(std::string name, nlohmann::ordered_json document, std::filesystem::path directory);

    std::string name_;
    std::filesystem::path directory_;
    nlohmann::ordered_json document_;
};

}  // namespace simmac
