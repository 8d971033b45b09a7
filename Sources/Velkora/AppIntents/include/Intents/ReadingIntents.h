#pragma once

#include "AppIntents/AppIntentsCatalogue.h"

#include <string_view>

namespace velkora {

// The four actions that read a value and return it with a dialog. The ones
// that read the snapshot answer from a reading of their own when the daemon
// cannot, so they fail only on a Mac without a battery.

// The battery's level: the hardware's percentage when the policy says so,
// else the displayed one (also when the policy cannot be fetched).
struct GetBatteryPercentageIntent {
    static constexpr std::string_view typeName = "GetBatteryPercentageIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "获取电池百分比"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

// The daemon's charge limit; fails with the client's error when the daemon
// does not answer.
struct GetChargeLimitIntent {
    static constexpr std::string_view typeName = "GetChargeLimitIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "获取充电限制"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

// The charging state's name in the application's language.
struct GetChargingStateIntent {
    static constexpr std::string_view typeName = "GetChargingStateIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "获取状态"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

// The battery's temperature in °C: unrounded as the value, with one decimal
// in the user's number format in the dialog.
struct GetTemperatureIntent {
    static constexpr std::string_view typeName = "GetTemperatureIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "获取温度"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

}  // namespace velkora
