#include "Window/RootView.h"

#include "Window/NoBatteryView.h"
#include "Window/RoutePages.h"
#include "Window/SidebarView.h"

#include "VisualKit/ContentUnavailableView.h"

#include "Model/AppModel.h"

#include <QHBoxLayout>

namespace velkora {

RootView::RootView(const ViewEnvironment& environment, QWidget* parent)
    : WindowBackdrop(environment, parent), environment_(environment)
{
    setObjectName(QStringLiteral("root"));
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    sidebar_ = new SidebarView(environment_, this);
    layout_->addWidget(sidebar_);
    connect(sidebar_, &SidebarView::routeRequested, this, &RootView::setSelection);

    AppModel* model = environment_.model;
    connect(model, &AppModel::batteryAvailabilityChanged, this, &RootView::followBatteryAvailability);
    connect(model, &AppModel::capabilitiesChanged, this, &RootView::showPage);
    showPage();
}

RootView::~RootView() = default;

void RootView::setSelection(SidebarRoute route)
{
    if (route == selection_) {
        return;
    }
    selection_ = route;
    sidebar_->setSelection(route);
    showPage();
    emit selectionChanged(route);
}

RootView::PageChoice RootView::currentChoice() const
{
    const AppModel& model = *environment_.model;
    if (model.batteryAvailability() == BatteryAvailability::detecting) {
        return {PageChoice::Kind::detecting};
    }
    if (!model.batteryPresent() && requiresBattery(selection_)) {
        return {PageChoice::Kind::noBattery};
    }
    // Only the dashboard's page depends on the battery.
    const bool battery = selection_ == SidebarRoute::dashboard && model.batteryPresent();
    return {PageChoice::Kind::route, selection_, battery};
}

void RootView::showPage()
{
    const PageChoice choice = currentChoice();
    if (shown_ == choice && page_) {
        return;
    }
    shown_ = choice;
    QWidget* next = nullptr;
    switch (choice.kind) {
    case PageChoice::Kind::detecting:
        next = new ContentUnavailableView(QStringLiteral("desktopcomputer"), QStringLiteral("正在检测电源设备"));
        next->setObjectName(QStringLiteral("detecting"));
        break;
    case PageChoice::Kind::noBattery:
        next = new NoBatteryView([this] { setSelection(SidebarRoute::dashboard); });
        break;
    case PageChoice::Kind::route: next = makeRoutePage(choice.route, environment_); break;
    }
    next->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (page_) {
        layout_->replaceWidget(page_, next);
        // Later: the old page may be the sender of the change (its button).
        page_->hide();
        page_->deleteLater();
    } else {
        layout_->addWidget(next, 1);
    }
    next->show();
    page_ = next;
}

void RootView::followBatteryAvailability()
{
    if (environment_.model->batteryAvailability() == BatteryAvailability::absent && requiresBattery(selection_)) {
        setSelection(SidebarRoute::dashboard);
    }
    showPage();
}

}  // namespace velkora
