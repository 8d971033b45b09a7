#pragma once

#include "VisualKit/ViewEnvironment.h"

#include "VelkoraCore/PowerSnapshot.h"

#include <QWidget>

#include <array>

namespace velkora {

class EnergyMeter;
class LiveEnergyChart;

// The dashboard's card of where the power goes now: its title, three bar
// meters (adapter input, system load, battery flow) on one full scale (the
// adapter's rating, at least 30 W), and the chart of the recent battery
// power. The meters follow every snapshot of the telemetry store, the chart
// the model's live history. No controls. Main thread only.
class LiveEnergyStrip : public QWidget {
    Q_OBJECT
public:
    explicit LiveEnergyStrip(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // The watts at which every meter of `snapshot` is full.
    static double fullScale(const PowerSnapshot& snapshot);
    // The battery meter's title: into the battery, or out of it.
    static QString batteryFlowTitle(double powerWatts);

    EnergyMeter* meter(int index) const { return meters_.at(static_cast<std::size_t>(index)); }
    LiveEnergyChart* chart() const { return chart_; }

private:
    void showSnapshot();
    void showHistory();

    ViewEnvironment environment_;
    std::array<EnergyMeter*, 3> meters_{};
    LiveEnergyChart* chart_;
};

}  // namespace velkora
