#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QWidget>

namespace velkora {

class MenuAction;

// The popover's row of three quick actions, 8 apart: force a discharge (or
// stop it), charge to full once (or cancel it), hold the charge at its
// level. Titles, symbols, highlights and the disabled state follow the
// model's flags; a click calls the one model operation of the tile, which
// checks and reports everything else (through lastError). A tile shows
// "ellipsis" and takes no clicks while its mode is switching; the hold tile
// is never disabled and never highlighted. Needs the environment's model.
// Main thread only.
class MenuQuickActions : public QWidget {
    Q_OBJECT
public:
    explicit MenuQuickActions(const ViewEnvironment& environment, QWidget* parent = nullptr);

    MenuAction* dischargeTile() const { return discharge_; }
    MenuAction* topUpTile() const { return topUp_; }
    MenuAction* holdTile() const { return hold_; }

private:
    void refresh();

    ViewEnvironment environment_;
    MenuAction* discharge_;
    MenuAction* topUp_;
    MenuAction* hold_;
};

}  // namespace velkora
