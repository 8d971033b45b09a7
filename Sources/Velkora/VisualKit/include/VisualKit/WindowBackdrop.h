#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace velkora {

// The main window's background for the settings' appearance: its colour
// with a faint energy glow in a ring around the top-leading corner (a radial
// gradient from 20 to 850 points: background, energy at the appearance's
// glow opacity midway, background again). Pages lie on it; it follows a
// change of appearance at once. Main thread only.
class WindowBackdrop : public QWidget {
    Q_OBJECT
public:
    explicit WindowBackdrop(const ViewEnvironment& environment, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<AppSettings> settings_;
    // The backdrop as last drawn, and what it was drawn for.
    QPixmap cache_;
    QSize cacheSize_;
    QColor cacheBackground_;
    QColor cacheGlow_;
};

}  // namespace velkora
