#include <VelkoraCore/ControlCommand.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

#include <array>
#include <optional>
#include <string_view>

namespace velkora {

namespace {

// The member names of the cases, in the order of the payload alternatives.
constexpr std::array<std::string_view, std::variant_size_v<ControlCommand::Payload>> caseNames = {
    "setPolicy",    "topUp",         "cancelTopUp",      "forceDischarge",    "pauseAtCurrentLevel",
    "setMagSafeLED", "setPowerMode", "startCalibration", "cancelCalibration", "restoreDefaults",
};

std::optional<std::size_t> caseIndex(std::string_view name)
{
    for (std::size_t index = 0; index < caseNames.size(); ++index) {
        if (caseNames[index] == name) {
            return index;
        }
    }
    return std::nullopt;
}

template <typename... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

ControlCommand::Payload readPayload(std::size_t index, const nlohmann::json& value)
{
    const JSONObjectReader reader(value, caseNames[index]);
    switch (index) {
    case 0:
        return ControlCommand::SetPolicy{reader.decode<ChargePolicy>("_0")};
    case 1:
        return ControlCommand::TopUp{};
    case 2:
        return ControlCommand::CancelTopUp{};
    case 3:
        return ControlCommand::ForceDischarge{reader.boolean("_0")};
    case 4:
        return ControlCommand::PauseAtCurrentLevel{};
    case 5:
        return ControlCommand::SetMagSafeLED{reader.decode<MagSafeLEDMode>("_0")};
    case 6: {
        const auto source = reader.decode<PowerSourceKind>("source");
        return ControlCommand::SetPowerMode{source, reader.decode<PowerMode>("mode")};
    }
    case 7:
        return ControlCommand::StartCalibration{};
    case 8:
        return ControlCommand::CancelCalibration{};
    default:
        return ControlCommand::RestoreDefaults{};
    }
}

}  // namespace

void to_json(nlohmann::ordered_json& json, const ControlCommand& command)
{
    nlohmann::ordered_json body;
    JSONObjectWriter writer(body);
    std::visit(Overloaded{
                   [&](const ControlCommand::SetPolicy& setPolicy) { writer.encode("_0", setPolicy.policy); },
                   [&](const ControlCommand::ForceDischarge& forceDischarge) {
                       writer.boolean("_0", forceDischarge.enabled);
                   },
                   [&](const ControlCommand::SetMagSafeLED& setMagSafeLED) { writer.encode("_0", setMagSafeLED.mode); },
                   [&](const ControlCommand::SetPowerMode& setPowerMode) {
                       writer.encode("source", setPowerMode.source);
                       writer.encode("mode", setPowerMode.mode);
                   },
                   [](const auto&) {},
               },
               command.payload);
    json = nlohmann::ordered_json::object();
    json.emplace(std::string(caseNames[command.payload.index()]), std::move(body));
}

void from_json(const nlohmann::json& json, ControlCommand& command)
{
    if (!json.is_object()) {
        throw JSONObjectReader::typeMismatch(json, "an object for ControlCommand");
    }
    std::optional<std::size_t> found;
    std::size_t matches = 0;
    for (auto member = json.begin(); member != json.end(); ++member) {
        if (const auto index = caseIndex(member.key())) {
            found = index;
            ++matches;
        }
    }
    if (matches != 1) {
        throw DecodingError(DecodingError::Kind::typeMismatch, {}, "Invalid number of keys found, expected one.");
    }
    const std::string name(caseNames[*found]);
    try {
        command = ControlCommand{readPayload(*found, json.at(name))};
    } catch (const DecodingError& error) {
        throw error.prepending(name);
    }
}

}  // namespace velkora
