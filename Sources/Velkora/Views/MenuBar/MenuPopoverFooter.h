#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class VelkoraButton;
class VelkoraLabel;

// The bottom line of the popover with a battery, in the caption font and
// the secondary colour: the battery's temperature, a middle dot, its cycle
// count, and at the trailing edge "Quit", which ends the application.
// Follows each reading. Needs the environment's telemetry. Main thread only.
class MenuPopoverFooter : public QWidget {
    Q_OBJECT
public:
    explicit MenuPopoverFooter(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VelkoraLabel* temperatureLabel() const { return temperature_; }
    VelkoraLabel* cyclesLabel() const { return cycles_; }
    VelkoraButton* quitButton() const { return quit_; }

private:
    void refresh();

    ViewEnvironment environment_;
    VelkoraLabel* temperature_;
    VelkoraLabel* cycles_;
    VelkoraButton* quit_;
};

// The popover's "Quit" button (plain, the key "退出"), which asks the
// application to end.
VelkoraButton* makeQuitButton(QWidget* parent);

}  // namespace velkora
