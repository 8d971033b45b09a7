#pragma once

#include "VisualKit/PageFrame.h"
#include "VisualKit/ViewEnvironment.h"

class QVBoxLayout;

namespace velkora {

class MenuBarPreviewChip;

// The main window's page of the menu-bar route: how the status item looks
// and how much its popover shows. With a battery: a live preview of the
// status item at a sample level of 80 % beside the icon styles (or, while
// the power figure is shown, a line about it), the colour schemes, the
// switches of the power figure, the percentage (only without the power
// figure) and the hardware percentage, then the popover layouts. Without a
// battery: the switch of the desktop power figure and its preview. Every
// card and switch writes its setting at once, and the status item, the
// popover and this page follow the setting. The page switches between the
// two forms when the model's battery flag changes. Needs the environment's
// model, telemetry and settings. Main thread only.
class MenuBarSettingsView : public PageFrame {
    Q_OBJECT
public:
    // The battery level every preview of the page pretends to have: one in
    // the healthy band.
    static constexpr int sampleLevel = 80;

    explicit MenuBarSettingsView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    bool showsBatteryForm() const { return batteryForm_; }
    // The preview chip of the form shown.
    MenuBarPreviewChip* previewChip() const { return chip_; }

private:
    void build();
    void buildBattery();
    void buildDesktop();
    QWidget* appearancePanel();
    QWidget* layoutPanel();
    void followPowerFigure();

    ViewEnvironment environment_;
    bool batteryForm_ = false;
    QList<QWidget*> sections_;
    MenuBarPreviewChip* chip_ = nullptr;
    QWidget* iconStyles_ = nullptr;
    QWidget* powerCaption_ = nullptr;
    QWidget* percentageRow_ = nullptr;
};

}  // namespace velkora
