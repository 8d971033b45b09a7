#pragma once

#include "VisualKit/ViewEnvironment.h"
#include "VisualKit/WindowBackdrop.h"

#include "Services/AppSettings.h"

#include <QPointer>

#include <optional>

class QHBoxLayout;

namespace velkora {

class SidebarView;

// The whole content of the main window: the sidebar at the leading edge and
// beside it the page of the selected route, on the window's soft radial
// backdrop.
//
// The page: while the battery is still being detected, a placeholder; on a
// Mac without a battery, for a battery-only route, NoBatteryView (its button
// goes back to the dashboard); otherwise the route's page (RoutePages.h).
// A page is made when it comes on screen and deleted when it leaves.
//
// The selection starts at the dashboard with every new root view and is not
// kept. When the battery goes away while a battery-only route is selected,
// the selection moves back to the dashboard. Main thread only.
class RootView : public WindowBackdrop {
    Q_OBJECT
public:
    explicit RootView(const ViewEnvironment& environment, QWidget* parent = nullptr);
    ~RootView() override;

    SidebarRoute selection() const { return selection_; }
    void setSelection(SidebarRoute route);

    SidebarView* sidebar() const { return sidebar_; }
    // The page in the detail area now.
    QWidget* page() const { return page_; }

signals:
    void selectionChanged(velkora::SidebarRoute route);

private:
    // What the detail area shows; a page is rebuilt only when this changes.
    struct PageChoice {
        enum class Kind { detecting, noBattery, route } kind = Kind::route;
        SidebarRoute route = SidebarRoute::dashboard;
        bool batteryPresent = false;
        bool operator==(const PageChoice&) const = default;
    };

    PageChoice currentChoice() const;
    void showPage();
    void followBatteryAvailability();

    ViewEnvironment environment_;
    SidebarRoute selection_ = SidebarRoute::dashboard;
    SidebarView* sidebar_;
    QHBoxLayout* layout_;
    QPointer<QWidget> page_;
    std::optional<PageChoice> shown_;
};

}  // namespace velkora
