#pragma once

#include <QColor>
#include <QSlider>

namespace velkora {

// The application's horizontal slider: a thin capsule track, filled in the
// tint (the energy colour unless given) up to a round white knob. A press
// anywhere on the track takes the knob there and holds it until the
// release, as sliderPressed, sliderMoved and sliderReleased tell; the arrow
// keys move it one step. The wheel is left to the page around it, so that
// scrolling a page never changes a setting on the way. Main thread only.
class VelkoraSlider : public QSlider {
    Q_OBJECT
public:
    explicit VelkoraSlider(QWidget* parent = nullptr);

    void setTint(const QColor& tint);
    const QColor& tint() const { return tint_; }

    // The value a press or drag at `x` (in the slider's coordinates) picks.
    int valueAt(int x) const;
    // The centre of the knob now, in the slider's coordinates.
    QPoint knobCentre() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Where the knob's centre travels: from the left end to the right end.
    qreal travelStart() const;
    qreal travelLength() const;

    QColor tint_;
};

}  // namespace velkora
