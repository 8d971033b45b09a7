#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "Services/AppSettings.h"

#include <QList>
#include <QMap>
#include <QWidget>

class QLabel;

namespace velkora {

class SidebarButton;
class VelkoraLabel;

// The fixed 210-point column at the leading edge of the main window: the
// application's identity (icon, name and whether this Mac is cared for or
// only monitored), the battery group and the tool group of page buttons, the
// settings button and the quit button. On a Mac without a battery the
// battery-only routes are not offered.
//
// The sidebar shows a selection it does not own: the root view sets it with
// setSelection(), and a pressed route button asks for its route through
// routeRequested(). A selected route that is not offered highlights
// nothing. Main thread only.
class SidebarView : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarWidth = 210;

    explicit SidebarView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    SidebarRoute selection() const { return selection_; }
    void setSelection(SidebarRoute route);

    // The short label of a route's button (its tooltip is the route's title).
    static QString navigationTitle(SidebarRoute route);
    // The routes of each group on offer now, in the group's order.
    QList<SidebarRoute> visibleBatteryRoutes() const;
    QList<SidebarRoute> visibleToolRoutes() const;

    SidebarButton* button(SidebarRoute route) const { return buttons_.value(route); }
    SidebarButton* quitButton() const { return quit_; }

signals:
    void routeRequested(velkora::SidebarRoute route);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makeIdentity();
    QWidget* makeSection(QLabel*& title, const QList<SidebarRoute>& routes);
    SidebarButton* makeRouteButton(SidebarRoute route);
    void followBattery();
    bool batteryPresent() const;

    ViewEnvironment environment_;
    SidebarRoute selection_ = SidebarRoute::dashboard;
    QMap<SidebarRoute, SidebarButton*> buttons_;
    SidebarButton* quit_ = nullptr;
    VelkoraLabel* subtitle_ = nullptr;
    QLabel* batteryTitle_ = nullptr;
    QLabel* toolTitle_ = nullptr;
};

}  // namespace velkora
