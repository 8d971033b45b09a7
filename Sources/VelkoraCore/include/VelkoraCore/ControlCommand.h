#pragma once

#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/MagSafeLEDMode.h>
#include <VelkoraCore/PowerMode.h>
#include <VelkoraCore/PowerSourceKind.h>

#include <nlohmann/json_fwd.hpp>

#include <variant>

namespace velkora {

// The payloads of the command cases, one struct per case. They live outside
// ControlCommand so that they are complete types where its variant needs them.
namespace commands {

struct SetPolicy {
    ChargePolicy policy{};
    bool operator==(const SetPolicy&) const = default;
};
struct TopUp {
    bool operator==(const TopUp&) const = default;
};
struct CancelTopUp {
    bool operator==(const CancelTopUp&) const = default;
};
struct ForceDischarge {
    bool enabled = false;
    bool operator==(const ForceDischarge&) const = default;
};
struct PauseAtCurrentLevel {
    bool operator==(const PauseAtCurrentLevel&) const = default;
};
struct SetMagSafeLED {
    MagSafeLEDMode mode = MagSafeLEDMode::system;
    bool operator==(const SetMagSafeLED&) const = default;
};
struct SetPowerMode {
    PowerSourceKind source = PowerSourceKind::battery;
    PowerMode mode = PowerMode::automatic;
    bool operator==(const SetPowerMode&) const = default;
};
struct StartCalibration {
    bool operator==(const StartCalibration&) const = default;
};
struct CancelCalibration {
    bool operator==(const CancelCalibration&) const = default;
};
struct RestoreDefaults {
    bool operator==(const RestoreDefaults&) const = default;
};

}  // namespace commands

// A request to the daemon. The factories read like the cases
// (`ControlCommand::forceDischarge(true)`); `payload` is visited, or queried
// with std::get_if, to act on one.
struct ControlCommand {
    using SetPolicy = commands::SetPolicy;
    using TopUp = commands::TopUp;
    using CancelTopUp = commands::CancelTopUp;
    using ForceDischarge = commands::ForceDischarge;
    using PauseAtCurrentLevel = commands::PauseAtCurrentLevel;
    using SetMagSafeLED = commands::SetMagSafeLED;
    using SetPowerMode = commands::SetPowerMode;
    using StartCalibration = commands::StartCalibration;
    using CancelCalibration = commands::CancelCalibration;
    using RestoreDefaults = commands::RestoreDefaults;

    using Payload = std::variant<SetPolicy, TopUp, CancelTopUp, ForceDischarge, PauseAtCurrentLevel, SetMagSafeLED,
                                 SetPowerMode, StartCalibration, CancelCalibration, RestoreDefaults>;

    Payload payload{};

    static ControlCommand setPolicy(const ChargePolicy& policy) { return {SetPolicy{policy}}; }
    static ControlCommand topUp() { return {TopUp{}}; }
    static ControlCommand cancelTopUp() { return {CancelTopUp{}}; }
    static ControlCommand forceDischarge(bool enabled) { return {ForceDischarge{enabled}}; }
    static ControlCommand pauseAtCurrentLevel() { return {PauseAtCurrentLevel{}}; }
    static ControlCommand setMagSafeLED(MagSafeLEDMode mode) { return {SetMagSafeLED{mode}}; }
    static ControlCommand setPowerMode(PowerSourceKind source, PowerMode mode) { return {SetPowerMode{source, mode}}; }
    static ControlCommand startCalibration() { return {StartCalibration{}}; }
    static ControlCommand cancelCalibration() { return {CancelCalibration{}}; }
    static ControlCommand restoreDefaults() { return {RestoreDefaults{}}; }

    // Same case and equal payloads.
    bool operator==(const ControlCommand&) const = default;
};

void to_json(nlohmann::ordered_json& json, const ControlCommand& command);
void from_json(const nlohmann::json& json, ControlCommand& command);

}  // namespace velkora
