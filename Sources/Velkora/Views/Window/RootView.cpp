#include "Window/RootView.h"

#include "Window/ErrorBanner.h"
#include "Window/HelperPermissionBanner.h"
#include "Window/NoBatteryView.h"
#include "Window/OnboardingView.h"
#include "Window/RoutePages.h"
#include "Window/SidebarView.h"

#include "VisualKit/AppRouter.h"
#include "VisualKit/AppSheetPresenter.h"
#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/VelkoraMotion.h"

#include "Model/AppModel.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QTimer>

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
    connect(model, &AppModel::helperStatusChanged, this, &RootView::followBanner);
    connect(model, &AppModel::lastErrorChanged, this, &RootView::followBanner);
    showPage();
    followBanner();
    if (environment_.router) {
        sheets_ = new AppSheetPresenter(*environment_.router, *this, [this](AppSheetDestination) { return makeSheet(); },
                                        this);
    }
}

RootView::~RootView()
{
    // The sheet goes before the view it covers.
    delete sheets_;
}

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

namespace velkora {

void RootView::followBanner()
{
    const RootBannerState next = RootBannerState::of(*environment_.model);
    if (next == bannerState_) {
        return;
    }
    bannerState_ = next;
    const bool reduce = environment_.reducesMotion();
    const Animation animation = VelkoraMotion::opacityChange(reduce);
    const Transition transition = VelkoraMotion::conditionalTransition(reduce, Qt::TopEdge);
    if (banner_) {
        QWidget* leaving = banner_;
        VelkoraMotion::present(leaving, false, transition, animation);
        QTimer::singleShot(animation.duration + std::chrono::milliseconds(50), leaving, &QObject::deleteLater);
        banner_ = nullptr;
    }
    AppModel* model = environment_.model;
    switch (next.kind) {
    case RootBannerState::Kind::approval:
        banner_ = new HelperPermissionBanner([model] { model->performPrimaryHelperAction(); }, this);
        break;
    case RootBannerState::Kind::error:
        banner_ = new ErrorBanner(next.message, [model] { model->setLastError(std::nullopt); }, this);
        break;
    case RootBannerState::Kind::none: return;
    }
    banner_->adjustSize();
    banner_->move(bannerPosition(banner_));
    banner_->raise();
    if (isVisible()) {
        VelkoraMotion::present(banner_, true, transition, animation);
    } else {
        // Nothing to animate off screen; it is placed again once laid out.
        banner_->show();
    }
}

QPoint RootView::bannerPosition(const QWidget* banner) const
{
    // Centred over the whole window, 12 points below its top edge.
    return QPoint((width() - banner->width()) / 2, 12 - BannerCapsule::shadowMargin);
}

void RootView::resizeEvent(QResizeEvent* event)
{
    WindowBackdrop::resizeEvent(event);
    if (banner_) {
        banner_->move(bannerPosition(banner_));
    }
}

void RootView::showEvent(QShowEvent* event)
{
    WindowBackdrop::showEvent(event);
    // Coming on screen, not the window system showing it again.
    if (event->spontaneous() || !environment_.router) {
        return;
    }
    if (environment_.model->batteryPresent() && !OnboardingView::hasCompletedOnboarding() &&
        !environment_.router->presentedSheet()) {
        environment_.router->setPresentedSheet(AppSheetDestination::onboarding);
    }
}

QWidget* RootView::makeSheet()
{
    QPointer<AppRouter> router = environment_.router;
    return new OnboardingView(environment_, [router] {
        OnboardingView::setHasCompletedOnboarding(true);
        if (router) {
            router->setPresentedSheet(std::nullopt);
        }
    });
}

}  // namespace velkora
