#include "Intents/ChargingIntents.h"

#include "Intents/IntentBridge.h"
#include "ProductName.h"

namespace velkora {

using platform::IntentResult;
using platform::LocalizedStringResource;

QCoro::Task<IntentResult> TopUpIntent::perform() const
{
    co_await IntentBridge::perform(ControlCommand::topUp());
    co_return IntentResult::result(
        LocalizedStringResource().appendInterpolation(std::string(productName)).appendLiteral(" 已开始充满。"));
}

QCoro::Task<IntentResult> PauseChargingIntent::perform() const
{
    const PowerSnapshot reply = co_await IntentBridge::perform(ControlCommand::pauseAtCurrentLevel());
    co_return IntentResult::result(LocalizedStringResource()
                                       .appendLiteral("已在 ")
                                       .appendInterpolation(static_cast<long long>(reply.battery.percentage))
                                       .appendLiteral("% 暂停充电。"));
}

QCoro::Task<IntentResult> StartDischargeIntent::perform() const
{
    co_await IntentBridge::perform(ControlCommand::forceDischarge(true));
    co_return IntentResult::result(
        LocalizedStringResource().appendInterpolation(std::string(productName)).appendLiteral(" 已开始主动放电。"));
}

QCoro::Task<IntentResult> StartCalibrationIntent::perform() const
{
    co_await IntentBridge::perform(ControlCommand::startCalibration());
    co_return IntentResult::result(
        LocalizedStringResource().appendInterpolation(std::string(productName)).appendLiteral(" 已启动电池校准。"));
}

}  // namespace velkora
