#include "Intents/IntentLEDMode.h"

namespace velkora {

namespace {

struct CaseInfo {
    IntentLEDMode mode;
    std::string_view rawValue;
    const char* title;
    MagSafeLEDMode coreValue;
};

constexpr std::array<CaseInfo, 5> cases = {{
    {IntentLEDMode::system, "system", "系统", MagSafeLEDMode::system},
    {IntentLEDMode::off, "off", "关闭", MagSafeLEDMode::off},
    {IntentLEDMode::green, "green", "绿色", MagSafeLEDMode::green},
    {IntentLEDMode::orange, "orange", "橙色", MagSafeLEDMode::orange},
    {IntentLEDMode::blinkOrange, "blinkOrange", "闪烁橙色", MagSafeLEDMode::blinkOrangeSlow},
}};

const CaseInfo& info(IntentLEDMode mode)
{
    return cases[static_cast<std::size_t>(mode)];
}

}  // namespace

std::string_view rawValue(IntentLEDMode mode)
{
    return info(mode).rawValue;
}

std::optional<IntentLEDMode> intentLEDModeFromRawValue(std::string_view rawValue)
{
    for (const CaseInfo& entry : cases) {
        if (entry.rawValue == rawValue) {
            return entry.mode;
        }
    }
    return std::nullopt;
}

MagSafeLEDMode coreValue(IntentLEDMode mode)
{
    return info(mode).coreValue;
}

platform::AppEnumDeclaration intentLEDModeDeclaration()
{
    platform::AppEnumDeclaration declaration{"IntentLEDMode", "MagSafe LED", {}};
    for (const CaseInfo& entry : cases) {
        declaration.cases.push_back({std::string(entry.rawValue), entry.title});
    }
    return declaration;
}

}  // namespace velkora
