#include "Window/RoutePages.h"

#include "Window/DesktopDashboardView.h"
#include "Window/EnergyUsageView.h"

#include "Battery/ChargeControlView.h"
#include "Battery/DashboardView.h"

#include "Schedules/ScheduleView.h"

#include "Overlay/OverlaySettingsView.h"

#include "Settings/MenuBarSettingsView.h"
#include "Settings/OtherSettingsView.h"
#include "Settings/SleepBehaviorView.h"

#include "Shortcuts/ShortcutsView.h"

#include "Model/AppModel.h"

#include <QtGlobal>

namespace velkora {

QWidget* makeRoutePage(SidebarRoute route, const ViewEnvironment& environment)
{
    switch (route) {
    case SidebarRoute::dashboard:
        if (!environment.model->batteryPresent()) {
            return new DesktopDashboardView(environment);
        }
        return new DashboardView(environment);
    case SidebarRoute::chargeControl: return new ChargeControlView(environment);
    case SidebarRoute::sleepBehavior: return new SleepBehaviorView(environment);
    case SidebarRoute::energyUsage: return new EnergyUsageView(environment);
    case SidebarRoute::schedules: return new ScheduleView(environment);
    case SidebarRoute::shortcuts: return new ShortcutsView(environment);
    case SidebarRoute::overlay: return new OverlaySettingsView(environment);
    case SidebarRoute::menuBar: return new MenuBarSettingsView(environment);
    case SidebarRoute::other: return new OtherSettingsView(environment);
    }
    Q_UNREACHABLE();
    return nullptr;
}

}  // namespace velkora
