#pragma once

#include <QIcon>
#include <QPixmap>

namespace velkora {

// The application's icon as the sidebar and the welcome sheet show it: the
// application object's window icon when one is set, else the application's
// own mark (a dark rounded tile with an energy-coloured charge ring around a
// bolt), drawn from the palette. Main thread only.
class ApplicationIcon {
public:
    ApplicationIcon() = delete;

    // The icon `side` points square.
    static QPixmap pixmap(int side, qreal devicePixelRatio = 1.0);
    // The mark at the usual sizes, for the application's window icon.
    static QIcon mark();

private:
    static QPixmap drawMark(int side, qreal devicePixelRatio);
};

}  // namespace velkora
