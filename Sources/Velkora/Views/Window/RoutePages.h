#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"

class QWidget;

namespace velkora {

// The page of each sidebar route: the one place where a route meets the
// widget that shows it. The root view calls it each time a route's page
// comes on screen and deletes the page when it leaves, so a page starts
// afresh every time and its periodic work ends with it.
//
// The root view decides before this whether a page is shown at all: while
// the battery is being detected, and for a battery-only route on a Mac
// without a battery, it shows its placeholders instead. The dashboard route
// shows the battery dashboard or, without a battery, the desktop power page.
QWidget* makeRoutePage(SidebarRoute route, const ViewEnvironment& environment);

}  // namespace velkora
