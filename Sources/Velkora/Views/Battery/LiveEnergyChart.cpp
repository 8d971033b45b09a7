#include "Battery/LiveEnergyChart.h"

#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QAreaSeries>
#include <QChart>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QLinearGradient>
#include <QValueAxis>

#include <algorithm>
#include <chrono>

namespace velkora {

namespace {

// Room above the highest point, so that the line's width is never cut.
constexpr double headroom = 1.08;

QColor energy(qreal opacity)
{
    QColor color = VelkoraTheme::energy();
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

}  // namespace

LiveEnergyChart::LiveEnergyChart(QWidget* parent) : QChartView(parent)
{
    setFixedHeight(chartHeight);
    setMinimumWidth(minimumChartWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet(QStringLiteral("background: transparent"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* chart = new QChart();
    chart->setBackgroundVisible(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);

    areaEdge_ = new QLineSeries(chart);
    area_ = new QAreaSeries(areaEdge_);
    area_->setName(localized(QStringLiteral("电池功率")));
    QLinearGradient gradient(QPointF(0, 0), QPointF(0, 1));
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, energy(0.35));
    gradient.setColorAt(1, energy(0.02));
    area_->setBrush(gradient);
    area_->setPen(Qt::NoPen);

    line_ = new QLineSeries();
    QPen pen(VelkoraTheme::energy(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    line_->setPen(pen);

    chart->addSeries(area_);
    chart->addSeries(line_);
    time_ = new QValueAxis();
    time_->setTitleText(localized(QStringLiteral("时间")));
    power_ = new QValueAxis();
    power_->setTitleText(localized(QStringLiteral("电池功率")));
    for (QValueAxis* axis : {time_, power_}) {
        axis->setVisible(false);
    }
    chart->addAxis(time_, Qt::AlignBottom);
    chart->addAxis(power_, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(area_), static_cast<QAbstractSeries*>(line_)}) {
        series->attachAxis(time_);
        series->attachAxis(power_);
    }
    setChart(chart);
    setPoints({});
}

void LiveEnergyChart::setPoints(const QList<HistoryPoint>& points)
{
    const qsizetype first = std::max<qsizetype>(0, points.size() - plottedPoints);
    plotted_.clear();
    plotted_.reserve(points.size() - first);
    double highest = 0;
    for (qsizetype index = first; index < points.size(); ++index) {
        const HistoryPoint& point = points[index];
        const double seconds =
            std::chrono::duration<double>(point.timestamp.time_since_epoch()).count();
        plotted_.append(QPointF(seconds, point.power));
        highest = std::max(highest, point.power);
    }
    areaEdge_->replace(plotted_);
    line_->replace(plotted_);
    if (plotted_.isEmpty()) {
        time_->setRange(0, 1);
    } else if (plotted_.back().x() <= plotted_.front().x()) {
        // One moment only: a range around it.
        time_->setRange(plotted_.front().x() - 1, plotted_.front().x() + 1);
    } else {
        time_->setRange(plotted_.front().x(), plotted_.back().x());
    }
    power_->setRange(0, highest > 0 ? highest * headroom : 1);
}

}  // namespace velkora
