#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QAbstractButton>

namespace velkora {

// The switch of a settings row: a checkable capsule, the energy colour when
// on, with a knob that slides across (VelkoraMotion::feedback; it jumps with
// reduced motion). It has no label of its own: the row names it, and its
// accessible name is the row's title. Main thread only.
class VelkoraSwitch : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(qreal knobPosition READ knobPosition WRITE setKnobPosition)
public:
    explicit VelkoraSwitch(const ViewEnvironment& environment, QWidget* parent = nullptr);

    // 0 off, 1 on; between while sliding.
    qreal knobPosition() const { return knobPosition_; }
    void setKnobPosition(qreal position);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    ViewEnvironment environment_;
    qreal knobPosition_ = 0.0;
};

}  // namespace velkora
