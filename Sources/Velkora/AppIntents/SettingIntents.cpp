#include "Intents/SettingIntents.h"

#include "Intents/IntentBridge.h"

#include <stdexcept>

namespace velkora {

using platform::IntentParameterDeclaration;
using platform::IntentParameters;
using platform::IntentResult;
using platform::LocalizedStringResource;

namespace {

const platform::IntentValue& boundValue(const IntentParameters& values, std::string_view name)
{
    const auto found = values.find(name);
    if (found == values.end()) {
        throw std::invalid_argument("the parameter \"" + std::string(name) + "\" was not bound");
    }
    return found->second;
}

}  // namespace

std::vector<IntentParameterDeclaration> SetChargeLimitIntent::parameters()
{
    return {{"limit", "充电限制", IntentParameterDeclaration::Integer{20, 100, platform::IntControlStyle::stepper}}};
}

LocalizedStringResource SetChargeLimitIntent::parameterSummary()
{
    return LocalizedStringResource().appendLiteral("将充电限制设为 ").appendToken("limit").appendLiteral("%");
}

SetChargeLimitIntent SetChargeLimitIntent::from(const IntentParameters& values)
{
    return SetChargeLimitIntent{std::get<long long>(boundValue(values, "limit"))};
}

QCoro::Task<IntentResult> SetChargeLimitIntent::perform() const
{
    ChargePolicy policy = co_await IntentBridge::policy();
    policy.managementEnabled = true;
    policy.chargeLimit = limit;
    co_await IntentBridge::perform(ControlCommand::setPolicy(policy));
    co_return IntentResult::result(
        LocalizedStringResource().appendLiteral("充电限制已设置为 ").appendInterpolation(limit).appendLiteral("% 。"));
}

std::vector<IntentParameterDeclaration> SetMagSafeLEDIntent::parameters()
{
    IntentParameterDeclaration::Enumeration modes{"IntentLEDMode", {}};
    for (const IntentLEDMode mode : allIntentLEDModes) {
        modes.supportedValues.emplace_back(rawValue(mode));
    }
    return {{"mode", "LED 模式", std::move(modes)}};
}

LocalizedStringResource SetMagSafeLEDIntent::parameterSummary()
{
    return LocalizedStringResource().appendLiteral("将 MagSafe LED 设为 ").appendToken("mode");
}

SetMagSafeLEDIntent SetMagSafeLEDIntent::from(const IntentParameters& values)
{
    const auto mode = intentLEDModeFromRawValue(std::get<std::string>(boundValue(values, "mode")));
    if (!mode) {
        throw std::invalid_argument("the parameter \"mode\" was bound to a value that is not an LED mode");
    }
    return SetMagSafeLEDIntent{*mode};
}

QCoro::Task<IntentResult> SetMagSafeLEDIntent::perform() const
{
    co_await IntentBridge::perform(ControlCommand::setMagSafeLED(coreValue(mode)));
    co_return IntentResult::result("MagSafe LED 已更新。");
}

}  // namespace velkora
