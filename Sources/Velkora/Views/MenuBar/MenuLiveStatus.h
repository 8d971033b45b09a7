#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class VelkoraLabel;

// The live-status panel of the detailed popover: three lines, each a symbol
// in its tint, a title and the reading ("%.1f W", 14 pt bold, even digits):
// the adapter's input, the system load and the battery's power, titled by
// its direction (into the battery at 0 W and above, out of it below) and
// shown without a sign. Follows each reading. Needs the environment's
// telemetry. Main thread only.
class MenuLiveStatus : public QWidget {
    Q_OBJECT
public:
    explicit MenuLiveStatus(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VelkoraLabel* adapterValue() const { return adapter_; }
    VelkoraLabel* loadValue() const { return load_; }
    VelkoraLabel* batteryTitle() const { return batteryTitle_; }
    VelkoraLabel* batteryValue() const { return battery_; }

private:
    void refresh();

    ViewEnvironment environment_;
    VelkoraLabel* adapter_ = nullptr;
    VelkoraLabel* load_ = nullptr;
    VelkoraLabel* batteryTitle_ = nullptr;
    VelkoraLabel* battery_ = nullptr;
};

}  // namespace velkora
