#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

#include <array>

namespace velkora {

class VitalMetricView;

// The dashboard's strip of four vital figures (health, temperature, cycles,
// time estimate) in one panel, parted by dividers, following every snapshot
// of the telemetry store. Main thread only.
class HealthStrip : public QWidget {
    Q_OBJECT
public:
    explicit HealthStrip(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VitalMetricView* metric(int index) const { return metrics_.at(static_cast<std::size_t>(index)); }

private:
    void refresh();

    ViewEnvironment environment_;
    std::array<VitalMetricView*, 4> metrics_{};
};

}  // namespace velkora
