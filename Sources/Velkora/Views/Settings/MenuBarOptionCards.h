#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"

namespace velkora {

class MenuBarOptionCard;

// The option cards of the menu-bar settings page, one per enumeration
// value. Each writes its value into the settings when clicked (again when
// it is already selected) and is highlighted whenever the setting holds its
// value, whoever changed it. Titles and details come from the enumerations.
//   icon style    the style's symbol (24 pt medium, the energy colour when
//                 selected, else secondary) over its title; selected in
//                 the energy colour at 0.12 / 0.65
//   colour scheme three dots of the critical, low and healthy colours, the
//                 title (one line) and the detail (two lines at most);
//                 selected in the scheme's healthy colour at 0.12 / 0.72
//   layout        the layout's schematic over its title and detail;
//                 selected in the energy colour at 0.1 / 0.65
// Need the environment's settings. Main thread only.
MenuBarOptionCard* makeIconStyleCard(const ViewEnvironment& environment, MenuBarIconStyle style,
                                     QWidget* parent = nullptr);
MenuBarOptionCard* makeColorSchemeCard(const ViewEnvironment& environment, BatteryStatusColorScheme scheme,
                                       QWidget* parent = nullptr);
MenuBarOptionCard* makeLayoutCard(const ViewEnvironment& environment, MenuBarLayout layout,
                                  QWidget* parent = nullptr);

}  // namespace velkora
