#include "Intents/BatteryIntentError.h"

#include "Services/AppLanguage.h"

namespace velkora {

BatteryIntentError BatteryIntentError::noBuiltInBattery()
{
    return BatteryIntentError(Kind::noBuiltInBattery);
}

BatteryIntentError::BatteryIntentError(Kind kind)
    : kind_(kind), description_(errorDescription().toStdString())
{
}

QString BatteryIntentError::errorDescription() const
{
    switch (kind_) {
    case Kind::noBuiltInBattery:
        return L(QStringLiteral("This Mac has no built-in battery to manage, so this shortcut is unavailable."),
                 QStringLiteral("这台 Mac 没有可管理的内置电池，此快捷指令不可用。"));
    }
    return {};
}

}  // namespace velkora
