#pragma once

#include "VisualKit/PageFrame.h"

#include "Services/AppSettings.h"

namespace velkora {

// The stand-in of a route whose page does not exist yet: the page frame with
// the route's symbol and title, so that every route of the sidebar leads
// somewhere. Main thread only.
class PageHost : public PageFrame {
    Q_OBJECT
public:
    explicit PageHost(SidebarRoute route, QWidget* parent = nullptr);

    SidebarRoute route() const { return route_; }

private:
    SidebarRoute route_;
};

}  // namespace velkora
