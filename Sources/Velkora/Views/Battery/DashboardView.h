#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

namespace velkora {

class BatteryOrbit;
class ControlDeck;
class HealthStrip;
class LiveEnergyStrip;
class StateBadge;
class StatusDetailPanel;
class SymbolView;
class VelkoraLabel;

// The main window's first page on a Mac with a built-in battery: a header
// with the power source and the charging state, the orbit beside the
// control deck, the health strip, the live energy strip and the detailed
// status. Everything follows the telemetry store's latest snapshot and the
// model; every action is a model operation. The root view decides whether
// it is shown at all (a Mac without a battery gets another page). Each time
// it comes on screen it asks the model to refresh the high-energy
// applications. Main thread only.
class DashboardView : public PageFrame {
    Q_OBJECT
public:
    static constexpr int topRowHeight = 252;

    explicit DashboardView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    BatteryOrbit* orbit() const { return orbit_; }
    ControlDeck* deck() const { return deck_; }
    HealthStrip* healthStrip() const { return health_; }
    LiveEnergyStrip* energyStrip() const { return energy_; }
    StatusDetailPanel* statusPanel() const { return status_; }
    StateBadge* stateBadge() const { return badge_; }
    VelkoraLabel* powerSourceLabel() const { return powerSource_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader();
    void refreshSnapshot();
    void refreshLimit();

    ViewEnvironment environment_;
    SymbolView* powerSourceSymbol_ = nullptr;
    VelkoraLabel* powerSource_ = nullptr;
    StateBadge* badge_ = nullptr;
    BatteryOrbit* orbit_;
    ControlDeck* deck_;
    HealthStrip* health_;
    LiveEnergyStrip* energy_;
    StatusDetailPanel* status_;
};

}  // namespace velkora
