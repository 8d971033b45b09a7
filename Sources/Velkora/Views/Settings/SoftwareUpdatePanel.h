#pragma once

#include "VisualKit/VelkoraPanel.h"

#include "Foundation/Bundle.h"

namespace velkora {

class VelkoraButton;
class VelkoraLabel;
class VelkoraSwitch;

// The software-update panel of the general settings: the updater's
// automatic-check switch, the running version with where updates come from,
// and the button that starts a check the user asked for (its outcome shows
// in the updater's own dialog). Without an update centre in the environment
// both controls are off. Main thread only.
class SoftwareUpdatePanel : public VelkoraPanel {
    Q_OBJECT
public:
    explicit SoftwareUpdatePanel(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // The bundle's CFBundleShortVersionString when it is text, else "0".
    static QString appVersion(const platform::Bundle& bundle = platform::Bundle::main());

    VelkoraSwitch* automaticCheckSwitch() const { return automatic_; }
    VelkoraLabel* versionLine() const { return version_; }
    VelkoraButton* checkButton() const { return check_; }

private:
    ViewEnvironment environment_;
    VelkoraSwitch* automatic_;
    VelkoraLabel* version_;
    VelkoraButton* check_;
};

}  // namespace velkora
