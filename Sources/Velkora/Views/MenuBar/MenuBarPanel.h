#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QElapsedTimer>
#include <QWidget>

namespace velkora {

class MenuPopoverView;

// The menu-bar item's detached panel: a frameless popup that holds the
// popover (MenuPopoverView), opened under the item and closed by a click anywhere
// outside it (or by Escape). The content is made on the first opening and
// kept. Main thread only.
class MenuBarPanel : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarPanel(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // Opens the panel with its top edge centred under `anchor` (global
    // coordinates), kept inside the screen that holds `anchor`.
    void popUp(QPoint anchor);

    MenuPopoverView* content() const { return content_; }
    // Whether the panel closed a moment ago: the click on the item that
    // closed it from outside is not one that should open it again.
    bool closedJustNow() const;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void makeContent();

    ViewEnvironment environment_;
    MenuPopoverView* content_ = nullptr;
    QElapsedTimer sinceClosed_;
};

}  // namespace velkora
