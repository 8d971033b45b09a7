#include "Window/DesktopPowerChart.h"

#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QCategoryAxis>
#include <QDateTime>
#include <QEvent>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <array>
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

// The steps of the time axis, in seconds, and how many marks it may hold
// before a longer step is taken: six labels of hours, minutes and seconds
// fit the narrowest chart with room between them.
constexpr std::array<qint64, 13> timeSteps{1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
constexpr qint64 mostTimeTicks = 6;

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
    timeAxis_ = new QCategoryAxis(plot);
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
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
    const qint64 first = millisecondsSince1970(samples.front());
    // One sample still needs a span to stand in.
    const qint64 last = std::max(millisecondsSince1970(samples.back()), first + 1000);
    markTimes(first, last);
}

QList<DesktopPowerChart::TimeTick> DesktopPowerChart::timeTicks(qint64 first, qint64 last)
{
    QList<TimeTick> ticks;
    if (last < first) {
        return ticks;
    }
    const qint64 span = last - first;
    qint64 step = timeSteps.back() * 1000;
    for (const qint64 seconds : timeSteps) {
        // Marks of a step that fall in the span: at most span / step + 1.
        if (span / (seconds * 1000) + 1 <= mostTimeTicks) {
            step = seconds * 1000;
            break;
        }
    }
    const QString format = step < 60 * 1000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    // Round in local time: a zone half an hour off puts the hour elsewhere.
    const qint64 offset = static_cast<qint64>(QDateTime::fromMSecsSinceEpoch(first).offsetFromUtc()) * 1000;
    const qint64 localFirst = first + offset;
    qint64 local = localFirst - (((localFirst % step) + step) % step);
    if (local < localFirst) {
        local += step;
    }
    for (; local - offset <= last; local += step) {
        const qint64 at = local - offset;
        ticks.append(TimeTick{at, QDateTime::fromMSecsSinceEpoch(at).toString(format)});
    }
    return ticks;
}

void DesktopPowerChart::markTimes(qint64 first, qint64 last)
{
    const QList<TimeTick> ticks = timeTicks(first, last);
    if (ticks != ticks_) {
        for (const QString& label : timeAxis_->categoriesLabels()) {
            timeAxis_->remove(label);
        }
        for (const TimeTick& tick : ticks) {
            timeAxis_->append(tick.label, static_cast<qreal>(tick.millisecondsSince1970));
        }
        ticks_ = ticks;
    }
    timeAxis_->setStartValue(static_cast<qreal>(first));
    timeAxis_->setRange(static_cast<qreal>(first), static_cast<qreal>(last));
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
