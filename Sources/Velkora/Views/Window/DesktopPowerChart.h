#pragma once

#include "Services/DesktopPowerSample.h"

#include <QChartView>
#include <QList>

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace velkora {

// The line of the last five minutes of desktop power samples, in the energy
// colour over the time they were taken, with the power axis from 0 to
// upperBound() of the samples. The time axis spans the samples exactly and
// is marked at round times that suit the span (timeTicks()). Transparent,
// so the panel shows through; axis labels and grid in the appearance's
// secondary colours. Main thread only.
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

    // A mark of the time axis: where it stands and what it reads.
    struct TimeTick {
        qint64 millisecondsSince1970 = 0;
        QString label;
        bool operator==(const TimeTick&) const = default;
    };
    // The marks between `first` and `last` (milliseconds since 1970): at
    // round local times one step apart, the shortest step of 1, 2, 5, 10,
    // 15 or 30 seconds, or 1, 2, 5, 10, 15, 30 or 60 minutes that leaves at
    // most six marks; read as hours, minutes and seconds while the step is
    // under a minute, else as hours and minutes. So no two marks read alike.
    static QList<TimeTick> timeTicks(qint64 first, qint64 last);

    QLineSeries* series() const { return series_; }
    QValueAxis* powerAxis() const { return powerAxis_; }
    QCategoryAxis* timeAxis() const { return timeAxis_; }

protected:
    bool event(QEvent* event) override;

private:
    void applyColors();
    void markTimes(qint64 first, qint64 last);

    QLineSeries* series_;
    QValueAxis* powerAxis_;
    QCategoryAxis* timeAxis_;
    QList<TimeTick> ticks_;
};

}  // namespace velkora
