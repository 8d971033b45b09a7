#pragma once

#include "VisualKit/ViewEnvironment.h"
#include "VisualKit/WindowBackdrop.h"

#include "Window/RootBannerState.h"

#include "Services/AppSettings.h"

#include <QPointer>

#include <optional>

class QHBoxLayout;

namespace velkora {

class AppSheetPresenter;
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
// the selection moves back to the dashboard.
//
// Over the top edge floats the banner of RootBannerState: approval (its
// button takes the helper's primary action) or error (its close button
// clears the model's lastError). Banners slide down and fade in, and slide
// up and fade out; with reduced motion they only fade.
//
// Sheets: the router's presented sheet shows over the window. Each time the
// root view comes on screen with a battery present, the welcome not yet
// finished and no sheet up, it presents the welcome sheet; finishing it
// records that and dismisses it, while a sheet closed any other way is
// offered again the next time. Main thread only.
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
    // The banner on screen (or leaving it) for bannerState(); null for none.
    QWidget* banner() const { return banner_; }
    const RootBannerState& bannerState() const { return bannerState_; }
    AppSheetPresenter* sheets() const { return sheets_; }

signals:
    void selectionChanged(velkora::SidebarRoute route);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

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
    void followBanner();
    QPoint bannerPosition(const QWidget* banner) const;
    QWidget* makeSheet();

    ViewEnvironment environment_;
    SidebarRoute selection_ = SidebarRoute::dashboard;
    SidebarView* sidebar_;
    QHBoxLayout* layout_;
    QPointer<QWidget> page_;
    std::optional<PageChoice> shown_;
    RootBannerState bannerState_;
    QPointer<QWidget> banner_;
    AppSheetPresenter* sheets_ = nullptr;
};

}  // namespace velkora
