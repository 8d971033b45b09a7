#include "Battery/ControlDeck.h"

#include "Battery/ChargeLimitControl.h"

#include "VisualKit/Divider.h"
#include "VisualKit/EnergyActionButton.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

ControlDeck::ControlDeck(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setFixedWidth(deckWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{26, 16, true});
    outer->addWidget(panel);
    QVBoxLayout* column = panel->contentLayout();
    column->setSpacing(11);

    limit_ = new ChargeLimitControl(environment, ChargeLimitLayout{.compact = true, .embedded = true});
    column->addWidget(limit_);
    column->addWidget(new Divider(0.55));

    auto* quick = new QHBoxLayout();
    quick->setSpacing(6);
    quick->addWidget(new SymbolView(QStringLiteral("bolt.circle"), 13, QFont::DemiBold, ForegroundStyle::secondary));
    quick->addWidget(new VelkoraLabel(localized(QStringLiteral("快速操作")), VelkoraFont::system(13, QFont::DemiBold),
                                      ForegroundStyle::secondary));
    quick->addStretch(1);
    pause_ = new VelkoraButton(QStringLiteral("pause.circle"), localized(QStringLiteral("保持当前")));
    pause_->setControlSize(VelkoraButton::Size::small);
    pause_->setObjectName(QStringLiteral("pause-charging"));
    quick->addWidget(pause_);
    column->addLayout(quick);

    auto* tiles = new QHBoxLayout();
    tiles->setSpacing(8);
    discharge_ = new EnergyActionButton(environment, QString(), QString(), QString(), VelkoraTheme::warm());
    topUp_ = new EnergyActionButton(environment, QString(), QString(), QString(), VelkoraTheme::energy());
    tiles->addWidget(discharge_);
    tiles->addWidget(topUp_);
    column->addLayout(tiles);
    // Pinned to the top of a deck that may be taller.
    column->addStretch(1);

    AppModel* model = environment_.model;
    connect(pause_, &QAbstractButton::clicked, model, &AppModel::pauseCharging);
    connect(discharge_, &QAbstractButton::clicked, model, &AppModel::forceDischarge);
    connect(topUp_, &QAbstractButton::clicked, model, &AppModel::topUp);
    for (auto signal : {&AppModel::isForceDischargeActiveChanged, &AppModel::isDischargeTransitioningChanged,
                        &AppModel::isTopUpActiveChanged, &AppModel::isTopUpTransitioningChanged}) {
        connect(model, signal, this, &ControlDeck::refresh);
    }
    refresh();
}

void ControlDeck::refresh()
{
    const AppModel& model = *environment_.model;
    const bool dischargeSwitching = model.isDischargeTransitioning();
    discharge_->setTitle(model.isForceDischargeActive() ? QStringLiteral("停止放电") : QStringLiteral("主动放电"));
    discharge_->setSubtitle(dischargeSwitching ? QStringLiteral("正在切换") : QStringLiteral("改用电池"));
    discharge_->setSymbol(dischargeSwitching ? QStringLiteral("ellipsis") : QStringLiteral("arrow.down.to.line.compact"));
    discharge_->setActive(model.isForceDischargeActive());
    discharge_->setEnabled(!dischargeSwitching);

    const bool topUpSwitching = model.isTopUpTransitioning();
    topUp_->setTitle(model.isTopUpActive() ? QStringLiteral("取消充满") : QStringLiteral("临时充满"));
    topUp_->setSubtitle(topUpSwitching ? QStringLiteral("正在切换") : QStringLiteral("充到 100%"));
    topUp_->setSymbol(topUpSwitching ? QStringLiteral("ellipsis") : QStringLiteral("battery.100percent.bolt"));
    topUp_->setActive(model.isTopUpActive());
    topUp_->setEnabled(!topUpSwitching);
}

}  // namespace velkora
