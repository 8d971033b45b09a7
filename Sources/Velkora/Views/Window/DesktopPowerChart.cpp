#include "Window/DesktopPowerChart.h"

#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QEvent>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace velkora {

namespace {

constexpr double minimumUpperBound = 25.0;
// Headroom above the peak, so the line never runs along the top edge.
constexpr double headroom = 1.2;

// Power lines at round figures from 0: the smallest of 5, 10, 20, 25, 50,
// 100, ... watts that draws at most five of them above the axis.
double gridStep(double top)
{
    if (!std::isfinite(top) || top <= 0) {
        return minimumUpperBound;
    }
    double scale = 1;
    while (true) {
        for (const double step : {5.0, 10.0, 20.0, 25.0, 50.0}) {
            if (top / (step * scale) <= 5) {
                return step * scale;
            }
        }
        scale *= 10;
    }
}

qint64 millisecondsSince1970(const DesktopPowerSample& sample)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(sample.timestamp.time_since_epoch()).count();
}

}  // namespace

DesktopPowerChart::DesktopPowerChart(QWidget* parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("desktop-power-chart"));
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet(QStringLiteral("background: transparent"));
    auto* plot = new QChart();
    plot->setBackgroundVisible(false);
    plot->setPlotAreaBackgroundVisible(false);
    plot->legend()->hide();
    plot->setMargins(QMargins(0, 0, 0, 0));
    plot->layout()->setContentsMargins(0, 0, 0, 0);
    plot->setBackgroundRoundness(0);

    series_ = new QLineSeries(plot);
    series_->setName(localized(QStringLiteral("功率")));
    plot->addSeries(series_);
    timeAxis_ = new QDateTimeAxis(plot);
    timeAxis_->setFormat(QStringLiteral("HH:mm"));
    timeAxis_->setTickCount(6);
    timeAxis_->setTitleText(QString());
    powerAxis_ = new QValueAxis(plot);
    powerAxis_->setLabelFormat(QStringLiteral("%.0f W"));
    powerAxis_->setTickType(QValueAxis::TicksDynamic);
    powerAxis_->setTickAnchor(0);
    powerAxis_->setRange(0, minimumUpperBound);
    powerAxis_->setTickInterval(gridStep(minimumUpperBound));
    plot->addAxis(timeAxis_, Qt::AlignBottom);
    plot->addAxis(powerAxis_, Qt::AlignLeft);
    series_->attachAxis(timeAxis_);
    series_->attachAxis(powerAxis_);
    setChart(plot);
    applyColors();
}

double DesktopPowerChart::upperBound(const QList<DesktopPowerSample>& samples)
{
    double peak = 0;
    for (const DesktopPowerSample& sample : samples) {
        // A reading that is no number would leave no scale at all.
        if (std::isfinite(sample.watts)) {
            peak = std::max(peak, sample.watts);
        }
    }
    return std::max(minimumUpperBound, headroom * peak);
}

void DesktopPowerChart::setSamples(const QList<DesktopPowerSample>& samples)
{
    QList<QPointF> points;
    points.reserve(samples.size());
    for (const DesktopPowerSample& sample : samples) {
        points.append(QPointF(static_cast<qreal>(millisecondsSince1970(sample)), sample.watts));
    }
    series_->replace(points);
    const double top = upperBound(samples);
    powerAxis_->setRange(0, top);
    powerAxis_->setTickInterval(gridStep(top));
    if (samples.isEmpty()) {
        return;
    }
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(millisecondsSince1970(samples.front()));
    QDateTime last = QDateTime::fromMSecsSinceEpoch(millisecondsSince1970(samples.back()));
    // One sample still needs a span to stand in.
    if (last <= first) {
        last = first.addSecs(1);
    }
    timeAxis_->setRange(first, last);
}

void DesktopPowerChart::applyColors()
{
    QPen line(VelkoraTheme::energy(), 2.2);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    series_->setPen(line);
    QColor grid = VelkoraTheme::separator();
    grid.setAlphaF(static_cast<float>(grid.alphaF() * 0.5));
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(timeAxis_), static_cast<QAbstractAxis*>(powerAxis_)}) {
        axis->setLabelsColor(VelkoraTheme::secondaryLabel());
        axis->setLabelsFont(VelkoraFont::caption());
        axis->setGridLineColor(grid);
        axis->setLinePenColor(grid);
        axis->setShadesVisible(false);
    }
    powerAxis_->setLineVisible(false);
}

bool DesktopPowerChart::event(QEvent* event)
{
    // A new palette is a new appearance.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        applyColors();
    }
    return QChartView::event(event);
}

}  // namespace velkora
