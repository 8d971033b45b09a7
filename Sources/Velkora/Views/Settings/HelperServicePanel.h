#pragma once

#include "VisualKit/VelkoraPanel.h"

namespace velkora {

class VelkoraButton;
class VelkoraLabel;

// The background service's panel of the general settings: its status and
// what it is for on the left; on the right "Uninstall" while it is enabled,
// else the one next step its status calls for (install, repair, approve,
// move). Both buttons show an ellipsis and take no clicks while the model
// works on the helper (starting, repairing, uninstalling). Main thread only.
class HelperServicePanel : public VelkoraPanel {
    Q_OBJECT
public:
    explicit HelperServicePanel(const ViewEnvironment& environment, QWidget* parent = nullptr);

    VelkoraLabel* statusLine() const { return status_; }
    VelkoraButton* actionButton() const { return action_; }
    VelkoraButton* uninstallButton() const { return uninstall_; }

private:
    void refresh();

    ViewEnvironment environment_;
    VelkoraLabel* status_;
    VelkoraButton* action_;
    VelkoraButton* uninstall_;
};

}  // namespace velkora
