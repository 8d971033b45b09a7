#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// One figure of the dashboard's health strip.
struct VitalMetric {
    QString symbol;
    QString title;
    QString value;
    QString detail;
    QColor tint;

    bool operator==(const VitalMetric&) const = default;
};

// A VitalMetric as a tile: the symbol (17 pt semibold, in the tint) on a
// 30-point rounded square of the tint at 0.12, beside the title (caption,
// secondary), the value (16 pt bold, monospaced digits) and the detail
// (caption, tertiary). It shares the strip's width with its neighbours.
// Main thread only.
class VitalMetricView : public QWidget {
    Q_OBJECT
public:
    explicit VitalMetricView(QWidget* parent = nullptr);

    void setMetric(const VitalMetric& metric);
    const VitalMetric& metric() const { return metric_; }

private:
    class Badge;

    VitalMetric metric_;
    Badge* badge_;
    VelkoraLabel* title_;
    VelkoraLabel* value_;
    VelkoraLabel* detail_;
};

}  // namespace velkora
