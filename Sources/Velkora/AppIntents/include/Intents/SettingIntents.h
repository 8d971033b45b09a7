#pragma once

#include "Intents/IntentLEDMode.h"

#include "AppIntents/AppIntentsCatalogue.h"

#include <string_view>
#include <vector>

namespace velkora {

// Sets the charge limit from Shortcuts: management on, the limit as given,
// every other rule as the daemon has it.
struct SetChargeLimitIntent {
    static constexpr std::string_view typeName = "SetChargeLimitIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "设置充电限制"; }
    // "limit": an integer from 20 to 100, entered with a stepper.
    static std::vector<platform::IntentParameterDeclaration> parameters();
    static platform::LocalizedStringResource parameterSummary();
    // From parameters that Shortcuts has bound (the limit within its range).
    static SetChargeLimitIntent from(const platform::IntentParameters& values);

    // The policy is fetched first; when that fails nothing is sent. The limit
    // is not clamped here: the parameter's range keeps it within 20 to 100.
    QCoro::Task<platform::IntentResult> perform() const;

    long long limit = 0;
};

// Sets the MagSafe LED's mode without touching the policy.
struct SetMagSafeLEDIntent {
    static constexpr std::string_view typeName = "SetMagSafeLEDIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "设置 MagSafe LED"; }
    // "mode": one of the five IntentLEDMode cases.
    static std::vector<platform::IntentParameterDeclaration> parameters();
    static platform::LocalizedStringResource parameterSummary();
    static SetMagSafeLEDIntent from(const platform::IntentParameters& values);

    QCoro::Task<platform::IntentResult> perform() const;

    IntentLEDMode mode = IntentLEDMode::system;
};

}  // namespace velkora
