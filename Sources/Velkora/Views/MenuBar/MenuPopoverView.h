#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

class QVBoxLayout;

namespace velkora {

class ChargeLimitControl;
class ContentUnavailableView;
class MenuActionFeedback;
class MenuLiveStatus;
class MenuNoBatteryContent;
class MenuPopoverFooter;
class MenuPopoverHeader;
class MenuQuickActions;

// The content of the menu-bar extra's popup panel: the quickest road to the
// whole application. It owns no data: it follows the model, the telemetry
// and the settings, and sends every action through the model.
//
// With a battery: the header (charge ring, state and reason, a button to
// the main window), then by the popover layout setting the charge-limit
// control (standard and detailed), the live-status panel (detailed), the
// feedback block and the quick actions, and the footer. Without a battery,
// once detection has ended: the live desktop power and the high-energy
// applications, refreshed once each time the popover shows on a Mac known
// to have none. While the battery is still being looked for: a placeholder.
// The model's battery flag decides first, so a Mac the daemon reports
// without a battery shows the no-battery content even while the local
// monitor says present.
//
// 420 points wide, padded 16, as tall as its content; drawn on a fixed dark
// green-grey in the dark appearance, else on the window background. Needs
// the environment's model, telemetry and settings; the router for the
// charge-limit control. Main thread only.
class MenuPopoverView : public QWidget {
    Q_OBJECT
public:
    static constexpr int popoverWidth = 420;
    static constexpr int padding = 16;

    enum class Content { battery, noBattery, detecting };

    explicit MenuPopoverView(const ViewEnvironment& environment, QWidget* parent = nullptr);

    Content content() const { return content_; }

    // The parts shown now; null when the content or layout has none.
    MenuPopoverHeader* header() const { return header_; }
    ChargeLimitControl* limitControl() const { return limit_; }
    MenuLiveStatus* liveStatus() const { return liveStatus_; }
    MenuActionFeedback* feedback() const { return feedback_; }
    MenuQuickActions* quickActions() const { return quickActions_; }
    MenuPopoverFooter* footer() const { return footer_; }
    MenuNoBatteryContent* noBatteryContent() const { return noBattery_; }
    ContentUnavailableView* placeholder() const { return placeholder_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Content wantedContent() const;
    void followModel();
    void build();
    void buildBattery(QVBoxLayout* stack);

    ViewEnvironment environment_;
    Content content_ = Content::detecting;
    QWidget* body_ = nullptr;
    MenuPopoverHeader* header_ = nullptr;
    ChargeLimitControl* limit_ = nullptr;
    MenuLiveStatus* liveStatus_ = nullptr;
    MenuActionFeedback* feedback_ = nullptr;
    MenuQuickActions* quickActions_ = nullptr;
    MenuPopoverFooter* footer_ = nullptr;
    MenuNoBatteryContent* noBattery_ = nullptr;
    ContentUnavailableView* placeholder_ = nullptr;
};

}  // namespace velkora
