#include "Battery/HealthStrip.h"

#include "Battery/DashboardReadings.h"
#include "Battery/VitalMetric.h"

#include "VisualKit/Divider.h"
#include "VisualKit/VelkoraPanel.h"

#include "Services/TelemetryStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int dividerHeight = 52;
constexpr int dividerPadding = 12;

}  // namespace

HealthStrip::HealthStrip(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(environment, VelkoraPanel::Metrics{24, 14, false});
    outer->addWidget(panel);
    auto* row = new QHBoxLayout();
    row->setSpacing(0);
    panel->contentLayout()->addLayout(row);
    for (std::size_t index = 0; index < metrics_.size(); ++index) {
        if (index > 0) {
            auto* divider = new Divider(1.0, Qt::Vertical);
            divider->setFixedHeight(dividerHeight);
            row->addSpacing(dividerPadding);
            row->addWidget(divider, 0, Qt::AlignVCenter);
            row->addSpacing(dividerPadding);
        }
        metrics_[index] = new VitalMetricView();
        row->addWidget(metrics_[index], 1);
    }
    connect(environment_.telemetry, &TelemetryStore::snapshotChanged, this, &HealthStrip::refresh);
    refresh();
}

void HealthStrip::refresh()
{
    const std::array<VitalMetric, 4> shown = DashboardReadings::vitalMetrics(environment_.telemetry->snapshot().battery);
    for (std::size_t index = 0; index < metrics_.size(); ++index) {
        metrics_[index]->setMetric(shown[index]);
    }
}

}  // namespace velkora
