#include "Simmac/OperatingSystemModule.h"

#include <charconv>

#include "Simmac/Dispatcher.h"
#include "Simmac/HardwareModel.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"
#include "Simulator/RegistryValueWriter.h"

namespace simmac {

OperatingSystemModule::OperatingSystemModule(Dispatcher& dispatcher)
{
    dispatcher.addModule(*this);
    dispatcher.addQuery(simulator::QueryOperation::operatingSystemVersion,
                        [this](const simulator::QueryCall&, std::vector<std::uint8_t>& value) {
                            simulator::RegistryValueWriter writer(value);
                            writer.array(3);
                            writer.integer(version_.major);
                            writer.integer(version_.minor);
                            writer.integer(version_.patch);
                        });
    dispatcher.addOperation("os.set", [this](OperationCall& call) {
        version_ = parseVersion(call.stringArgument("version"));
        call.succeed(describe());
    });
}

OperatingSystemModule::Version OperatingSystemModule::parseVersion(std::string_view text)
{
    int parts[3] = {0, 0, 0};
    std::size_t count = 0;
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    while (count < 3) {
        const auto [next, error] = std::from_chars(position, end, parts[count]);
        if (error != std::errc() || next == position || parts[count] < 0 || parts[count] > 999) {
            break;
        }
        ++count;
        position = next;
        if (position == end || *position != '.') {
            break;
        }
        ++position;
    }
    if (count == 0 || position != end || parts[0] == 0) {
        throw SimulatorError("bad operating-system version \"" + std::string(text) +
                             "\": use MAJOR[.MINOR[.PATCH]], for example 26.1");
    }
    return {parts[0], parts[1], parts[2]};
}

std::string OperatingSystemModule::versionText(const Version& version)
{
    std::string text = std::to_string(version.major) + "." + std::to_string(version.minor);
    if (version.patch != 0) {
        text += "." + std::to_string(version.patch);
    }
    return text;
}

nlohmann::ordered_json OperatingSystemModule::describe() const
{
    return {{"major", version_.major},
            {"minor", version_.minor},
            {"patch", version_.patch},
            {"version", versionText(version_)}};
}

std::function<void()> OperatingSystemModule::prepareModel(const HardwareModel& model)
{
    Version version;
    const auto os = model.document().find("os");
    if (os != model.document().end()) {
        if (!os->is_object() || !os->contains("version") || !(*os)["version"].is_string()) {
            throw SimulatorError("model " + model.name() + ": \"os\" must be an object with a text \"version\"");
        }
        try {
            version = parseVersion((*os)["version"].get<std::string>());
        } catch (const SimulatorError& error) {
            throw SimulatorError("model " + model.name() + ": " + error.what());
        }
    }
    return [this, version] { version_ = version; };
}

void OperatingSystemModule::addStatus(nlohmann::ordered_json& status) const
{
    status["os"] = {{"version", versionText(version_)}};
}

}  // namespace simmac
