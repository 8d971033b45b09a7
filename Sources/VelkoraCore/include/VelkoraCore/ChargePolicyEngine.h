#pragma once

#include <VelkoraCore/BatterySnapshot.h>
#include <VelkoraCore/CalibrationPhase.h>
#include <VelkoraCore/ChargePolicy.h>
#include <VelkoraCore/ChargingState.h>
#include <VelkoraCore/MagSafeLEDMode.h>

#include <string>

namespace velkora {

// What the engine decides from.
struct PolicyContext {
    BatterySnapshot snapshot{};
    ChargePolicy policy{};  // normalised
    bool hasReachedLimit = false;  // the previous decision's `reachedLimit`
    bool topUpActive = false;
    bool forceDischargeActive = false;
    CalibrationPhase calibrationPhase = CalibrationPhase::inactive;

    bool operator==(const PolicyContext&) const = default;
};

// What the engine decided.
struct PolicyDecision {
    bool chargingEnabled = true;
    bool adapterEnabled = true;  // false runs the Mac from the battery while plugged in
    ChargingState state = ChargingState::charging;
    std::string reason{};
    bool reachedLimit = false;  // to be carried into the next context
    bool preventSleep = false;
    MagSafeLEDMode ledMode = MagSafeLEDMode::system;

    bool operator==(const PolicyDecision&) const = default;
};

namespace ChargePolicyEngine {

// The charging rule book: pure, keeps no state and cannot fail. The caller
// holds the only memory, `reachedLimit`, between evaluations.
PolicyDecision evaluate(const PolicyContext& context);

}  // namespace ChargePolicyEngine

}  // namespace velkora
