#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QColor>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// One bar meter of the live energy strip, 112 points wide: the symbol in
// its tint and the title (verbatim) over the value in watts with one
// decimal, over a 5-point bar filled in the tint to value / maxValue. A bar
// never falls below a 3 % stub (zero, negative and unreadable values keep
// it) and never runs past full. A new value moves the bar with
// VelkoraMotion::dataChange: at once when motion is reduced or the move is
// too small to see; on its way, only frames that visibly move the fill are
// painted, and the last. Assistive technology reads the meter as one
// element, named by the title and valued in words ("12.3 watts"). Main
// thread only.
class EnergyMeter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal displayedFraction READ displayedFraction WRITE setDisplayedFraction)
public:
    static constexpr int meterWidth = 112;
    static constexpr qreal minimumFraction = 0.03;

    EnergyMeter(const ViewEnvironment& environment, const QString& symbol, const QColor& tint,
                QWidget* parent = nullptr);

    // Shows `value` against the full scale `maxValue` (both in watts).
    void setReading(const QString& title, double value, double maxValue);

    const QString& title() const { return title_; }
    double value() const { return value_; }
    // What the bar is filled to for `value` against `maxValue`.
    static qreal barFraction(double value, double maxValue);
    // The fraction the bar stands at now (mid-animation, on its way).
    qreal displayedFraction() const { return displayedFraction_; }
    void setDisplayedFraction(qreal fraction);

    VelkoraLabel* valueLabel() const { return valueLabel_; }
    // The track with the fill.
    QWidget* bar() const;

private:
    class Bar;

    ViewEnvironment environment_;
    QString title_;
    double value_ = 0;
    bool shown_ = false;
    qreal targetFraction_ = minimumFraction;
    qreal displayedFraction_ = minimumFraction;
    VelkoraLabel* titleLabel_;
    VelkoraLabel* valueLabel_;
    Bar* bar_;
};

}  // namespace velkora
