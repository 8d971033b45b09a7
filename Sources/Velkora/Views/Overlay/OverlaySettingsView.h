#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class VelkoraButton;
class VelkoraSwitch;

// The page of the sidebar route overlay: whether the floating overlay is
// shown and whether it shows the percentage, and a button that puts it on
// screen so that the user can drag it into place. Switching the overlay on
// shows it, switching it off hides it; opening the page does neither. Every
// control is disabled on a Mac without a battery. The overlay outlives the
// page. Main thread only.
class OverlaySettingsView : public QWidget {
    Q_OBJECT
public:
    explicit OverlaySettingsView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VelkoraSwitch* enabledSwitch() const { return enabled_; }
    VelkoraSwitch* percentageSwitch() const { return percentage_; }
    VelkoraButton* showButton() const { return show_; }

private:
    void refresh();

    ViewEnvironment environment_;
    VelkoraSwitch* enabled_;
    VelkoraSwitch* percentage_;
    VelkoraButton* show_;
};

}  // namespace velkora
