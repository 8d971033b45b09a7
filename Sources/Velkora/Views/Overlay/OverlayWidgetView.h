#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraLabel;

// The card of the floating overlay: the battery symbol ("battery.100percent.bolt"
// while charging, else "battery.75percent") and beside it the percentage
// (only while the settings show it) over the name of the charging state.
// The symbol and the percentage take the colour scheme's colour of the
// level's band, the state name the colour of the state's tone. It always
// shows the displayed percentage, never the hardware one. Padded 18 across
// and 11 down, on a thin translucent material in a rounded rectangle
// (radius 18) with a white hairline at 0.2. The percentage line fades in and
// out with the panel motion, at once with reduced motion. It follows every
// new reading and every change of its settings. Main thread only.
class OverlayWidgetView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 18;

    explicit OverlayWidgetView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    SymbolView* batterySymbol() const { return symbol_; }
    VelkoraLabel* percentageLabel() const { return percentage_; }
    VelkoraLabel* stateLabel() const { return state_; }

    QColor levelColor() const;
    QColor statusColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    void showPercentage(bool shown, bool animated);

    ViewEnvironment environment_;
    QPointer<TelemetryStore> telemetry_;
    QPointer<AppSettings> settings_;
    SymbolView* symbol_;
    VelkoraLabel* percentage_;
    VelkoraLabel* state_;
};

}  // namespace velkora
