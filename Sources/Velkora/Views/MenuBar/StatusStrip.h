#pragma once

#include <QImage>
#include <QWidget>

namespace velkora {

// The menu-bar item where the desktop has no system tray (a bare X server):
// a small frameless strip that floats over every window at the top right of
// the primary screen and shows the status label. A click on it is a click
// on the item. It keeps out of the task bar. Main thread only.
class StatusStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 24;
    static constexpr int labelPadding = 10;

    explicit StatusStrip(QWidget* parent = nullptr);

    // Shows `label` (its device pixel ratio kept), resizing the strip to it
    // and keeping it at the top right of the primary screen.
    void setLabel(const QImage& label);
    const QImage& label() const { return label_; }
    // The bar's own text colour, which template labels take.
    QColor textColor() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void placeAtTopRight();

    QImage label_;
};

}  // namespace velkora
