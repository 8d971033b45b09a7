#pragma once

#include "AppIntents/AppIntentsCatalogue.h"

#include <string_view>

namespace velkora {

// The four actions that change charging. Each sends one command through
// IntentBridge and shows a dialog; the daemon's reply is not shown, except
// the paused level of PauseChargingIntent.

struct TopUpIntent {
    static constexpr std::string_view typeName = "TopUpIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "充满"; }
    // Sends topUp, also while a top-up runs: no action cancels one.
    QCoro::Task<platform::IntentResult> perform() const;
};

struct PauseChargingIntent {
    static constexpr std::string_view typeName = "PauseChargingIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "暂停充电"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

struct StartDischargeIntent {
    static constexpr std::string_view typeName = "StartDischargeIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "开始放电"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

struct StartCalibrationIntent {
    static constexpr std::string_view typeName = "StartCalibrationIntent";
    static constexpr bool openAppWhenRun = false;
    static platform::LocalizedStringResource title() { return "启动校准模式"; }
    QCoro::Task<platform::IntentResult> perform() const;
};

}  // namespace velkora
