#pragma once

#include "Services/DesktopPowerSample.h"

#include <QChartView>
#include <QList>

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace velkora {

// The line of the last five minutes of desktop power samples, in the energy
// colour over the time they were taken, with the power axis from 0 to
// upperBound() of the samples. Transparent, so the panel shows through;
// axis labels and grid in the appearance's secondary colours. Main thread
// only.
class DesktopPowerChart : public QChartView {
    Q_OBJECT
public:
    explicit DesktopPowerChart(QWidget* parent = nullptr);

    // Draws `samples` (oldest first) in place of the ones before.
    void setSamples(const QList<DesktopPowerSample>& samples);

    // The top of the power axis: the larger of 25 W and 1.2 times the
    // greatest sample (25 W without samples; readings that are not finite
    // numbers are passed over).
    static double upperBound(const QList<DesktopPowerSample>& samples);

    QLineSeries* series() const { return series_; }
    QValueAxis* powerAxis() const { return powerAxis_; }
    QDateTimeAxis* timeAxis() const { return timeAxis_; }

protected:
    bool event(QEvent* event) override;

private:
    void applyColors();

    QLineSeries* series_;
    QValueAxis* powerAxis_;
    QDateTimeAxis* timeAxis_;
};

}  // namespace velkora
