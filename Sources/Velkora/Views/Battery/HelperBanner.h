#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class SymbolView;
class VelkoraButton;
class VelkoraLabel;

// The charge-control page's note about the helper daemon, shown whenever it
// is anything but enabled: the helper's state, the model's last error (or,
// without one, that live readings go on without the helper) and the
// helper's primary action, which is disabled while the helper is starting
// or repairing. It slides in from the top and out again (only fades with
// reduced motion). Main thread only.
class HelperBanner : public QWidget {
    Q_OBJECT
public:
    explicit HelperBanner(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // Whether the model's state asks for the banner.
    bool isWanted() const;

    SymbolView* symbolView() const { return symbol_; }
    VelkoraLabel* titleLabel() const { return title_; }
    VelkoraLabel* detailLabel() const { return detail_; }
    VelkoraButton* actionButton() const { return action_; }

private:
    void refresh(bool animated);

    ViewEnvironment environment_;
    SymbolView* symbol_;
    VelkoraLabel* title_;
    VelkoraLabel* detail_;
    VelkoraButton* action_;
    // A widget is shown with its parent unless hidden.
    bool shown_ = true;
};

}  // namespace velkora
