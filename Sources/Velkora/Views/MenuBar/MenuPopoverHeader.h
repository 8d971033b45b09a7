#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class MenuChargeRing;
class VelkoraButton;
class VelkoraLabel;

// The top of the popover with a battery: the charge ring, the state's name
// (18 pt bold, in the state's colour) over its reason (caption, secondary,
// two lines at most), and a button that opens the main window. Follows each
// reading and the colour scheme; shows the displayed percentage, never the
// hardware one. Needs the environment's telemetry and settings. Main thread
// only.
class MenuPopoverHeader : public QWidget {
    Q_OBJECT
public:
    explicit MenuPopoverHeader(const ViewEnvironment& environment, QWidget* parent = nullptr);

    MenuChargeRing* ring() const { return ring_; }
    VelkoraLabel* stateLabel() const { return state_; }
    VelkoraLabel* reasonLabel() const { return reason_; }
    VelkoraButton* openButton() const { return open_; }

private:
    void refresh();

    ViewEnvironment environment_;
    MenuChargeRing* ring_;
    VelkoraLabel* state_;
    VelkoraLabel* reason_;
    VelkoraButton* open_;
};

}  // namespace velkora
