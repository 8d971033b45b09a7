#include <VelkoraCore/DaemonHealth.h>

#include "JSONObjectReader.h"
#include "JSONObjectWriter.h"

#include <utility>

namespace velkora {

std::string_view rawValue(DaemonFailureReason::Code code)
{
    switch (code) {
    case DaemonFailureReason::Code::hardwareInitialization:
        return "hardwareInitialization";
    case DaemonFailureReason::Code::invalidInstallation:
        return "invalidInstallation";
    case DaemonFailureReason::Code::incompatibleBuild:
        return "incompatibleBuild";
    case DaemonFailureReason::Code::authorizationRequired:
        return "authorizationRequired";
    case DaemonFailureReason::Code::transport:
        return "transport";
    }
    return {};
}

std::optional<DaemonFailureReason::Code> daemonFailureCodeFromRawValue(std::string_view raw)
{
    for (const DaemonFailureReason::Code code : allDaemonFailureCodes) {
        if (rawValue(code) == raw) {
            return code;
        }
    }
    return std::nullopt;
}

DaemonHealth DaemonHealth::make(std::int64_t protocolVersion, std::string helperBuild, std::string appVersion,
                                std::string serviceName, std::string parentBundleIdentifier, bool hardwareAvailable,
                                std::optional<std::string> hardwareError)
{
    DaemonHealth health;
    health.identity = HelperBuildIdentity{protocolVersion, std::move(helperBuild), std::move(appVersion),
                                          std::move(serviceName), std::move(parentBundleIdentifier)};
    health.hardwareAvailable = hardwareAvailable;
    if (hardwareError) {
        health.failure = DaemonFailureReason{DaemonFailureReason::Code::hardwareInitialization, std::move(*hardwareError)};
    }
    return health;
}

std::optional<std::string> DaemonHealth::hardwareError() const
{
    if (!failure) {
        return std::nullopt;
    }
    return failure->message;
}

HelperCompatibility DaemonHealth::compatibility(std::string_view expectedBuild, std::int64_t expectedProtocolVersion,
                                                std::string_view expectedServiceName,
                                                std::string_view expectedParentBundleIdentifier) const
{
    if (identity.serviceName != expectedServiceName ||
        identity.parentBundleIdentifier != expectedParentBundleIdentifier) {
        return HelperCompatibility::invalidIdentity;
    }
    if (identity.protocolVersion != expectedProtocolVersion) {
        return HelperCompatibility::incompatibleProtocol;
    }
    if (identity.helperBuild != expectedBuild) {
        return HelperCompatibility::staleBuild;
    }
    return HelperCompatibility::current;
}

void to_json(nlohmann::ordered_json& json, const HelperBuildIdentity& identity)
{
    JSONObjectWriter writer(json);
    writer.integer("protocolVersion", identity.protocolVersion);
    writer.string("helperBuild", identity.helperBuild);
    writer.string("appVersion", identity.appVersion);
    writer.string("serviceName", identity.serviceName);
    writer.string("parentBundleIdentifier", identity.parentBundleIdentifier);
}

void from_json(const nlohmann::json& json, HelperBuildIdentity& identity)
{
    const JSONObjectReader reader(json, "HelperBuildIdentity");
    identity = HelperBuildIdentity{
        .protocolVersion = reader.integer("protocolVersion"),
        .helperBuild = reader.string("helperBuild"),
        .appVersion = reader.string("appVersion"),
        .serviceName = reader.string("serviceName"),
        .parentBundleIdentifier = reader.string("parentBundleIdentifier"),
    };
}

void to_json(nlohmann::ordered_json& json, DaemonFailureReason::Code code)
{
    json = rawValue(code);
}

void from_json(const nlohmann::json& json, DaemonFailureReason::Code& code)
{
    const std::string_view raw = JSONObjectReader::stringValue(json);
    const auto parsed = daemonFailureCodeFromRawValue(raw);
    if (!parsed) {
        throw JSONObjectReader::invalidRawValue("DaemonFailureReason.Code", raw);
    }
    code = *parsed;
}

void to_json(nlohmann::ordered_json& json, const DaemonFailureReason& reason)
{
    JSONObjectWriter writer(json);
    writer.encode("code", reason.code);
    writer.string("message", reason.message);
}

void from_json(const nlohmann::json& json, DaemonFailureReason& reason)
{
    const JSONObjectReader reader(json, "DaemonFailureReason");
    reason = DaemonFailureReason{
        .code = reader.decode<DaemonFailureReason::Code>("code"),
        .message = reader.string("message"),
    };
}

void to_json(nlohmann::ordered_json& json, const DaemonHealth& health)
{
    JSONObjectWriter writer(json);
    writer.encode("identity", health.identity);
    writer.boolean("hardwareAvailable", health.hardwareAvailable);
    writer.encodeIfPresent("failure", health.failure);
}

void from_json(const nlohmann::json& json, DaemonHealth& health)
{
    const JSONObjectReader reader(json, "DaemonHealth");
    health = DaemonHealth{
        .identity = reader.decode<HelperBuildIdentity>("identity"),
        .hardwareAvailable = reader.boolean("hardwareAvailable"),
        .failure = reader.decodeIfPresent<DaemonFailureReason>("failure"),
    };
}

}  // namespace velkora
