#include "MenuBar/MenuQuickActions.h"

#include "MenuBar/MenuAction.h"

#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"

#include <QHBoxLayout>

namespace velkora {

MenuQuickActions::MenuQuickActions(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    discharge_ = new MenuAction(environment, VelkoraTheme::warm(), this);
    discharge_->setObjectName(QStringLiteral("menu-discharge"));
    topUp_ = new MenuAction(environment, VelkoraTheme::energy(), this);
    topUp_->setObjectName(QStringLiteral("menu-top-up"));
    hold_ = new MenuAction(environment, VelkoraTheme::lavender(), this);
    hold_->setObjectName(QStringLiteral("menu-hold"));
    hold_->setTitleKey(QStringLiteral("保持电量"));
    hold_->setSymbol(QStringLiteral("pause.circle"));
    for (MenuAction* tile : {discharge_, topUp_, hold_}) {
        row->addWidget(tile, 1, Qt::AlignVCenter);
    }

    AppModel* model = environment_.model;
    connect(discharge_, &QAbstractButton::clicked, model, &AppModel::forceDischarge);
    connect(topUp_, &QAbstractButton::clicked, model, &AppModel::topUp);
    connect(hold_, &QAbstractButton::clicked, model, &AppModel::pauseCharging);
    for (auto signal : {&AppModel::isForceDischargeActiveChanged, &AppModel::isDischargeTransitioningChanged,
                        &AppModel::isTopUpActiveChanged, &AppModel::isTopUpTransitioningChanged}) {
        connect(model, signal, this, &MenuQuickActions::refresh);
    }
    refresh();
}

void MenuQuickActions::refresh()
{
    const AppModel& model = *environment_.model;
    discharge_->setTitleKey(model.isForceDischargeActive() ? QStringLiteral("停止放电") : QStringLiteral("主动放电"));
    discharge_->setSymbol(model.isDischargeTransitioning() ? QStringLiteral("ellipsis")
                                                           : QStringLiteral("arrow.down.to.line.compact"));
    discharge_->setActive(model.isForceDischargeActive());
    discharge_->setEnabled(!model.isDischargeTransitioning());

    topUp_->setTitleKey(model.isTopUpActive() ? QStringLiteral("取消充满") : QStringLiteral("临时充满"));
    topUp_->setSymbol(model.isTopUpTransitioning() ? QStringLiteral("ellipsis")
                                                   : QStringLiteral("battery.100percent.bolt"));
    topUp_->setActive(model.isTopUpActive());
    topUp_->setEnabled(!model.isTopUpTransitioning());
}

}  // namespace velkora
