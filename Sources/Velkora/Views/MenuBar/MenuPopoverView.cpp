#include "MenuBar/MenuPopoverView.h"

#include "MenuBar/MenuActionFeedback.h"
#include "MenuBar/MenuLiveStatus.h"
#include "MenuBar/MenuNoBatteryContent.h"
#include "MenuBar/MenuPopoverFooter.h"
#include "MenuBar/MenuPopoverHeader.h"
#include "MenuBar/MenuQuickActions.h"

#include "Battery/ChargeLimitControl.h"

#include "VisualKit/ContentUnavailableView.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppSettings.h"

#include <QEvent>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int placeholderHeight = 220;

}  // namespace

MenuPopoverView::MenuPopoverView(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setObjectName(QStringLiteral("menu-popover"));
    setFixedWidth(popoverWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    // Content at the top of a taller frame.
    layout->addStretch(1);

    AppModel* model = environment_.model;
    connect(model, &AppModel::capabilitiesChanged, this, &MenuPopoverView::followModel);
    connect(model, &AppModel::batteryAvailabilityChanged, this, &MenuPopoverView::followModel);
    connect(environment_.settings, &AppSettings::menuBarLayoutChanged, this, [this] {
        if (content_ == Content::battery) {
            build();
        }
    });
    connect(environment_.settings, &AppSettings::appearanceChanged, this, qOverload<>(&QWidget::update));
    content_ = wantedContent();
    build();
}

MenuPopoverView::Content MenuPopoverView::wantedContent() const
{
    const AppModel& model = *environment_.model;
    if (model.batteryPresent()) {
        return Content::battery;
    }
    return model.batteryAvailability() == BatteryAvailability::detecting ? Content::detecting : Content::noBattery;
}

void MenuPopoverView::followModel()
{
    const Content wanted = wantedContent();
    if (wanted == content_) {
        return;
    }
    content_ = wanted;
    build();
}

void MenuPopoverView::build()
{
    delete body_;
    header_ = nullptr;
    limit_ = nullptr;
    liveStatus_ = nullptr;
    feedback_ = nullptr;
    quickActions_ = nullptr;
    footer_ = nullptr;
    noBattery_ = nullptr;
    placeholder_ = nullptr;

    body_ = new QWidget(this);
    auto* stack = new QVBoxLayout(body_);
    stack->setContentsMargins(0, 0, 0, 0);
    switch (content_) {
    case Content::battery: buildBattery(stack); break;
    case Content::noBattery:
        noBattery_ = new MenuNoBatteryContent(environment_, body_);
        stack->addWidget(noBattery_);
        break;
    case Content::detecting:
        placeholder_ = new ContentUnavailableView(QStringLiteral("desktopcomputer"), QStringLiteral("正在检测电源设备"),
                                                  QString(), body_);
        placeholder_->setMinimumHeight(placeholderHeight);
        stack->addWidget(placeholder_);
        break;
    }
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, body_);
}

void MenuPopoverView::buildBattery(QVBoxLayout* stack)
{
    stack->setSpacing(14);
    header_ = new MenuPopoverHeader(environment_, body_);
    stack->addWidget(header_);
    const MenuBarLayout layout = environment_.settings->menuBarLayout();
    if (layout != MenuBarLayout::compact) {
        limit_ = new ChargeLimitControl(environment_, ChargeLimitLayout{.compact = true}, body_);
        stack->addWidget(limit_);
    }
    if (layout == MenuBarLayout::detailed) {
        liveStatus_ = new MenuLiveStatus(environment_, body_);
        stack->addWidget(liveStatus_);
    }
    feedback_ = new MenuActionFeedback(environment_, body_);
    stack->addWidget(feedback_);
    quickActions_ = new MenuQuickActions(environment_, body_);
    stack->addWidget(quickActions_);
    footer_ = new MenuPopoverFooter(environment_, body_);
    stack->addWidget(footer_);
}

int MenuPopoverView::heightForWidth(int width) const
{
    return layout()->totalHeightForWidth(width);
}

QSize MenuPopoverView::sizeHint() const
{
    return QSize(popoverWidth, heightForWidth(popoverWidth));
}

bool MenuPopoverView::event(QEvent* event)
{
    // A popover of its own follows its content's height.
    if (event->type() == QEvent::LayoutRequest && isWindow()) {
        resize(popoverWidth, heightForWidth(popoverWidth));
    }
    return QWidget::event(event);
}

void MenuPopoverView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && environment_.model->batteryAvailability() == BatteryAvailability::absent) {
        environment_.model->refreshEnergyApps();
    }
}

void MenuPopoverView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), VelkoraTheme::popoverBackground(environment_.settings->appearance()));
}

}  // namespace velkora
