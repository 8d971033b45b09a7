#pragma once

#include "Services/AppSettings.h"

#include <QWidget>

namespace velkora {

// The miniature of a popover layout on its option card, 82 points tall: a
// green bar for the header, a long grey bar for the charge-limit control
// (standard and detailed), a shorter one for the live status (detailed),
// and a row of three tiles taking the rest of the height, on a faint
// rounded plate. Main thread only.
class MenuBarLayoutSchematic : public QWidget {
    Q_OBJECT
public:
    static constexpr int schematicHeight = 82;

    explicit MenuBarLayoutSchematic(MenuBarLayout layout, QWidget* parent = nullptr);

    // The bars drawn, top to bottom, as fractions of the width.
    QList<qreal> barWidths() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MenuBarLayout layout_;
};

}  // namespace velkora
