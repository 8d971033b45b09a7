#pragma once

#include <VelkoraCore/HelperCompatibility.h>

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkora {

// Who the daemon is: its protocol version and build stamps, the mach service it
// serves and the application it belongs to.
struct HelperBuildIdentity {
    std::int64_t protocolVersion = 0;
    std::string helperBuild{};
    std::string appVersion{};
    std::string serviceName{};
    std::string parentBundleIdentifier{};

    bool operator==(const HelperBuildIdentity&) const = default;
};

struct DaemonFailureReason {
    enum class Code {
        hardwareInitialization,
        invalidInstallation,
        incompatibleBuild,
        authorizationRequired,
        transport,
    };

    Code code = Code::hardwareInitialization;
    std::string message{};

    bool operator==(const DaemonFailureReason&) const = default;
};

inline constexpr std::array<DaemonFailureReason::Code, 5> allDaemonFailureCodes = {
    DaemonFailureReason::Code::hardwareInitialization, DaemonFailureReason::Code::invalidInstallation,
    DaemonFailureReason::Code::incompatibleBuild,      DaemonFailureReason::Code::authorizationRequired,
    DaemonFailureReason::Code::transport,
};

std::string_view rawValue(DaemonFailureReason::Code code);
std::optional<DaemonFailureReason::Code> daemonFailureCodeFromRawValue(std::string_view rawValue);

// The reply to a health request.
struct DaemonHealth {
    HelperBuildIdentity identity{};
    bool hardwareAvailable = false;
    std::optional<DaemonFailureReason> failure{};

    // The daemon's way to build its reply: a hardware error text, when given,
    // becomes a failure with the code `hardwareInitialization`.
    static DaemonHealth make(std::int64_t protocolVersion, std::string helperBuild, std::string appVersion,
                             std::string serviceName, std::string parentBundleIdentifier, bool hardwareAvailable,
                             std::optional<std::string> hardwareError = std::nullopt);

    std::int64_t protocolVersion() const { return identity.protocolVersion; }
    const std::string& helperBuild() const { return identity.helperBuild; }
    const std::string& appVersion() const { return identity.appVersion; }
    const std::string& serviceName() const { return identity.serviceName; }
    const std::string& parentBundleIdentifier() const { return identity.parentBundleIdentifier; }
    // The failure's message whatever its code.
    std::optional<std::string> hardwareError() const;

    // Compares the identity with the application's own build; the first
    // mismatch decides, identity before protocol before build.
    HelperCompatibility compatibility(std::string_view expectedBuild, std::int64_t expectedProtocolVersion,
                                      std::string_view expectedServiceName,
                                      std::string_view expectedParentBundleIdentifier) const;

    bool operator==(const DaemonHealth&) const = default;
};

void to_json(nlohmann::ordered_json& json, const HelperBuildIdentity& identity);
void from_json(const nlohmann::json& json, HelperBuildIdentity& identity);
void to_json(nlohmann::ordered_json& json, DaemonFailureReason::Code code);
void from_json(const nlohmann::json& json, DaemonFailureReason::Code& code);
void to_json(nlohmann::ordered_json& json, const DaemonFailureReason& reason);
void from_json(const nlohmann::json& json, DaemonFailureReason& reason);
void to_json(nlohmann::ordered_json& json, const DaemonHealth& health);
void from_json(const nlohmann::json& json, DaemonHealth& health);

}  // namespace velkora
