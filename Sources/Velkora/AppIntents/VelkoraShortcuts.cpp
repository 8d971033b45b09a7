#include "Intents/VelkoraShortcuts.h"

#include "Intents/ChargingIntents.h"
#include "Intents/IntentLEDMode.h"
#include "Intents/IntentPowerSource.h"
#include "Intents/ReadingIntents.h"
#include "Intents/SettingIntents.h"
#include "ProductName.h"

#include "Foundation/Bundle.h"
#include "Services/AppLanguage.h"
#include "VelkoraCore/IPC.h"

namespace velkora {

using platform::AppShortcut;
using platform::declareIntent;
using platform::LocalizedStringResource;

namespace {

LocalizedStringResource phrase(std::string_view tail)
{
    return LocalizedStringResource().appendLiteral("用 ").appendToken("applicationName").appendLiteral(tail);
}

}  // namespace

std::vector<AppShortcut> VelkoraShortcuts::appShortcuts()
{
    return {
        {std::string(TopUpIntent::typeName), phrase(" 充满"), "充满", "battery.100percent.bolt"},
        {std::string(PauseChargingIntent::typeName), phrase(" 暂停充电"), "暂停充电", "pause.circle"},
        {std::string(StartDischargeIntent::typeName), phrase(" 开始放电"), "开始放电", "bolt.slash"},
        {std::string(StartCalibrationIntent::typeName), phrase(" 校准电池"), "校准电池", "slider.horizontal.3"},
        {std::string(SetChargeLimitIntent::typeName), phrase(" 设置充电限制"), "设置充电限制",
         "gauge.with.dots.needle.67percent"},
    };
}

platform::AppIntentsCatalogue VelkoraShortcuts::catalogue()
{
    return {
        {
            declareIntent<TopUpIntent>(),
            declareIntent<PauseChargingIntent>(),
            declareIntent<StartDischargeIntent>(),
            declareIntent<StartCalibrationIntent>(),
            declareIntent<SetChargeLimitIntent>(),
            declareIntent<GetBatteryPercentageIntent>(),
            declareIntent<GetChargeLimitIntent>(),
            declareIntent<GetChargingStateIntent>(),
            declareIntent<GetTemperatureIntent>(),
            declareIntent<SetMagSafeLEDIntent>(),
        },
        {intentLEDModeDeclaration(), intentPowerSourceDeclaration()},
        appShortcuts(),
    };
}

std::unique_ptr<platform::IntentRegistry> VelkoraShortcuts::publish()
{
    const platform::Bundle& bundle = platform::Bundle::main();
    return std::make_unique<platform::IntentRegistry>(
        catalogue(), platform::IntentApplication{bundle.bundleIdentifier().value_or(std::string(IPC::parentBundleIdentifier)),
                                                 bundle.infoString("CFBundleName").value_or(std::string(productName)),
                                                 AppLanguage::localizationName().toStdString()});
}

}  // namespace velkora
