#pragma once

#include "Services/HistoryStore.h"

#include <QChartView>
#include <QList>
#include <QPointF>

class QAreaSeries;
class QLineSeries;
class QValueAxis;

namespace velkora {

// The live energy strip's chart of the battery power: the newest 50 points
// of the live history as an area from zero, filled with a gradient of the
// energy colour from 0.35 at the top to 0.02 at the bottom, under a 2-point
// line in the energy colour. No axes are drawn; both follow the plotted
// data. Exactly 70 points tall, at least 155 wide. Main thread only.
class LiveEnergyChart : public QChartView {
    Q_OBJECT
public:
    static constexpr qsizetype plottedPoints = 50;
    static constexpr int chartHeight = 70;
    static constexpr int minimumChartWidth = 155;

    explicit LiveEnergyChart(QWidget* parent = nullptr);

    void setPoints(const QList<HistoryPoint>& points);
    // What is plotted: seconds since 1970 against watts, oldest first.
    const QList<QPointF>& plotted() const { return plotted_; }

    QSize sizeHint() const override { return QSize(minimumChartWidth, chartHeight); }

private:
    QList<QPointF> plotted_;
    QLineSeries* line_;
    QLineSeries* areaEdge_;
    QAreaSeries* area_;
    QValueAxis* time_;
    QValueAxis* power_;
};

}  // namespace velkora
