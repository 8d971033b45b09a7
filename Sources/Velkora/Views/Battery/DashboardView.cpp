#include "Battery/DashboardView.h"

#include "Battery/BatteryOrbit.h"
#include "Battery/ControlDeck.h"
#include "Battery/HealthStrip.h"
#include "Battery/LiveEnergyStrip.h"
#include "Battery/StatusDetailPanel.h"

#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Model/AppModel.h"
#include "Services/AppLanguage.h"
#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

namespace velkora {

DashboardView::DashboardView(const ViewEnvironment& environment, QWidget* parent)
    : PageFrame(PageFrame::Metrics{14, QMargins(28, 34, 28, 28), false}, parent), environment_(environment)
{
    setObjectName(QStringLiteral("dashboard"));
    addSection(makeHeader());

    auto* top = new QWidget();
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(0, 0, 0, 0);
    topRow->setSpacing(14);
    orbit_ = new BatteryOrbit(environment);
    orbit_->setMinimumHeight(topRowHeight);
    deck_ = new ControlDeck(environment);
    deck_->setMinimumHeight(topRowHeight);
    topRow->addWidget(orbit_, 1);
    topRow->addWidget(deck_);
    top->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addSection(top);

    health_ = new HealthStrip(environment);
    addSection(health_);
    energy_ = new LiveEnergyStrip(environment);
    addSection(energy_);
    status_ = new StatusDetailPanel(environment);
    addSection(status_);

    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &DashboardView::refreshSnapshot);
    connect(environment_.model, &AppModel::policyChanged, this, &DashboardView::refreshLimit);
    refreshSnapshot();
    refreshLimit();
}

QWidget* DashboardView::makeHeader()
{
    auto* header = new QWidget();
    header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    auto* titles = new QVBoxLayout();
    titles->setSpacing(4);
    titles->addWidget(new VelkoraLabel(localized(QStringLiteral("能量控制台")), VelkoraFont::rounded(28, QFont::Bold)));
    titles->addWidget(new VelkoraLabel(localized(QStringLiteral("一眼看清电池，并在这里完成日常操作")),
                                       VelkoraFont::system(13, QFont::Medium), ForegroundStyle::secondary));
    row->addLayout(titles);
    row->addStretch(1);

    auto* source = new QHBoxLayout();
    source->setSpacing(6);
    powerSourceSymbol_ = new SymbolView(QString(), 13, QFont::DemiBold);
    powerSource_ = new VelkoraLabel(QString(), VelkoraFont::system(13, QFont::DemiBold));
    source->addWidget(powerSourceSymbol_);
    source->addWidget(powerSource_);
    row->addLayout(source);

    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    badge_ = new StateBadge(environment_, snapshot.state, static_cast<int>(snapshot.battery.percentage));
    row->addWidget(badge_);
    return header;
}

void DashboardView::showEvent(QShowEvent* event)
{
    PageFrame::showEvent(event);
    if (!event->spontaneous()) {
        // The page needs nothing back: the model publishes the list.
        environment_.model->refreshEnergyApps();
    }
}

void DashboardView::refreshSnapshot()
{
    const PowerSnapshot& snapshot = environment_.telemetry->snapshot();
    if (snapshot.battery.adapterConnected) {
        powerSourceSymbol_->setName(QStringLiteral("powerplug.fill"));
        powerSourceSymbol_->setColor(VelkoraTheme::energy());
        powerSource_->setText(localized(QStringLiteral("已连接电源")));
    } else {
        powerSourceSymbol_->setName(QStringLiteral("battery.50percent"));
        powerSourceSymbol_->setForegroundStyle(ForegroundStyle::secondary);
        powerSource_->setText(localized(QStringLiteral("正在使用电池")));
    }
    badge_->setState(snapshot.state, static_cast<int>(snapshot.battery.percentage));
}

void DashboardView::refreshLimit()
{
    const ChargePolicy& policy = environment_.model->policy();
    orbit_->setLimit(policy.managementEnabled ? std::optional<int>(static_cast<int>(policy.chargeLimit)) : std::nullopt);
}

}  // namespace velkora
