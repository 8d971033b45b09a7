#include "Simmac/HardwareModel.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "Simmac/SimulatorError.h"

namespace simmac {

HardwareModel::HardwareModel(std::string name, nlohmann::ordered_json document, std::filesystem::path directory)
    : name_(std::move(name)), directory_(std::move(directory)), document_(std::move(document))
{
}

std::vector<std::string> HardwareModel::availableNames(const std::filesystem::path& directory)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (entry.path().extension() == ".json") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

HardwareModel HardwareModel::load(const std::filesystem::path& directory, std::string_view name)
{
    const std::vector<std::string> names = availableNames(directory);
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        std::string list;
        for (const std::string& known : names) {
            list += (list.empty() ? "" : ", ") + known;
        }
        throw SimulatorError("unknown model \"" + std::string(name) + "\" (available: " +
                             (list.empty() ? "none in " + directory.string() : list) + ")");
    }
    const std::filesystem::path file = directory / (std::string(name) + ".json");
    std::ifstream input(file);
    if (!input) {
        throw SimulatorError("cannot read model file " + file.string());
    }
    std::stringstream text;
    text << input.rdbuf();
    try {
        auto document = nlohmann::ordered_json::parse(text.str());
        if (!document.is_object()) {
            throw SimulatorError("model file " + file.string() + " does not hold a JSON object");
        }
        return HardwareModel(std::string(name), std::move(document), directory);
    } catch (const nlohmann::json::parse_error& error) {
        throw SimulatorError("model file " + file.string() + " is not valid JSON: " + error.what());
    }
}

}  // namespace simmac
