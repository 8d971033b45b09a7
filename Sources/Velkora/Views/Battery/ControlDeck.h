#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class ChargeLimitControl;
class EnergyActionButton;
class VelkoraButton;

// The dashboard's control deck, 350 points wide: the compact charge-limit
// control embedded in the deck's panel, then the quick actions: "hold the
// current level" and the two tiles for forced discharge and top-up, which
// follow the model's active and switching flags (a switching tile reads
// "正在切换", pulses and takes no clicks). Whether an action may run is the
// model's to decide. Main thread only.
class ControlDeck : public QWidget {
    Q_OBJECT
public:
    static constexpr int deckWidth = 350;

    explicit ControlDeck(const ViewEnvironment& environment, QWidget* parent = nullptr);

    ChargeLimitControl* limitControl() const { return limit_; }
    VelkoraButton* pauseButton() const { return pause_; }
    EnergyActionButton* dischargeButton() const { return discharge_; }
    EnergyActionButton* topUpButton() const { return topUp_; }

private:
    void refresh();

    ViewEnvironment environment_;
    ChargeLimitControl* limit_;
    VelkoraButton* pause_;
    EnergyActionButton* discharge_;
    EnergyActionButton* topUp_;
};

}  // namespace velkora
