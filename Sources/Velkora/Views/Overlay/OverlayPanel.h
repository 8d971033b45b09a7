#pragma once

#include "VisualKit/FloatingWindow.h"
#include "VisualKit/ViewEnvironment.h"

#include <QPoint>

#include <optional>

namespace velkora {

class OverlayWidgetView;

// The window of the floating overlay: borderless and see-through around its
// card, above ordinary windows, on every virtual desktop, never taking the
// keyboard focus nor activating the application, even when clicked, and
// casting the platform's window shadow where the display can show one. The
// user moves it by dragging anywhere on the card. The card is as large as
// its widget; the window follows the widget's size, keeping its top-left
// corner. Positions are the card's (cardGeometry(), moveCard()). Only
// OverlayPresenter makes one. Main thread only.
class OverlayPanel : public FloatingWindow {
    Q_OBJECT
public:
    explicit OverlayPanel(const ViewEnvironment& environment);

    OverlayWidgetView* widget() const { return widget_; }
    // A drag is under way.
    bool isDragging() const { return pressOffset_.has_value(); }
    // Presses are ignored while the panel is leaving.
    void setAcceptsDrags(bool accepts) { acceptsDrags_ = accepts; }

signals:
    // The user pressed on the panel to drag it.
    void dragStarted();
    // The user let go of the panel with the card's top-left corner at `position`.
    void dragEnded(QPoint position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Asks the window manager to keep the panel on every desktop; an X11
    // window must carry this before it is first mapped.
    void joinAllDesktops();

    OverlayWidgetView* widget_;
    std::optional<QPoint> pressOffset_;
    bool acceptsDrags_ = true;
};

}  // namespace velkora
