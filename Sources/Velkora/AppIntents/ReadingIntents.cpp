#include "Intents/ReadingIntents.h"

#include "Intents/IntentBridge.h"
#include "Services/AppLanguage.h"

#include <QLocale>

#include <optional>

namespace velkora {

using platform::IntentResult;
using platform::LocalizedStringResource;

QCoro::Task<IntentResult> GetBatteryPercentageIntent::perform() const
{
    const PowerSnapshot snapshot = co_await IntentBridge::snapshot();
    std::optional<ChargePolicy> policy;
    try {
        policy = co_await IntentBridge::policy();
    } catch (...) {
        // Without the policy the displayed percentage is the answer.
    }
    const long long value = policy && policy->useHardwarePercentage ? snapshot.battery.hardwarePercentage
                                                                    : snapshot.battery.percentage;
    co_return IntentResult::result(
        value, LocalizedStringResource().appendLiteral("当前电量为 ").appendInterpolation(value).appendLiteral("% 。"));
}

QCoro::Task<IntentResult> GetChargeLimitIntent::perform() const
{
    const ChargePolicy policy = co_await IntentBridge::policy();
    const long long value = policy.chargeLimit;
    co_return IntentResult::result(
        value, LocalizedStringResource().appendLiteral("当前充电限制为 ").appendInterpolation(value).appendLiteral("% 。"));
}

QCoro::Task<IntentResult> GetChargingStateIntent::perform() const
{
    const PowerSnapshot snapshot = co_await IntentBridge::snapshot();
    const std::string value = appLocalizedName(snapshot.state).toStdString();
    co_return IntentResult::result(value, LocalizedStringResource().appendLiteral("当前状态：").appendInterpolation(value));
}

QCoro::Task<IntentResult> GetTemperatureIntent::perform() const
{
    const PowerSnapshot snapshot = co_await IntentBridge::snapshot();
    const double value = snapshot.battery.temperatureCelsius;
    // The user's own number format, which may differ from the application's language.
    const std::string shown = QLocale::system().toString(value, 'f', 1).toStdString();
    co_return IntentResult::result(
        value, LocalizedStringResource().appendLiteral("当前电池温度为 ").appendInterpolation(shown).appendLiteral("°C。"));
}

}  // namespace velkora
