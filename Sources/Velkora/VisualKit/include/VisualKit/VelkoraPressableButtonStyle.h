#pragma once

#include "VisualKit/ViewEnvironment.h"

#include <QGraphicsEffect>
#include <QPointer>

class QAbstractButton;

namespace velkora {

// The press feedback of the application's own buttons: while pressed, the
// button is drawn shrunk about its centre to `pressedScale`, with
// VelkoraMotion::feedback (the quick curve); with reduced motion it keeps
// its full size. Given to a button with apply(), which makes the style the
// button's graphics effect. Main thread only.
class VelkoraPressableButtonStyle : public QGraphicsEffect {
    Q_OBJECT
    Q_PROPERTY(qreal scale READ scale WRITE setScale)
public:
    static constexpr qreal defaultPressedScale = 0.98;

    static VelkoraPressableButtonStyle* apply(QAbstractButton* button, const ViewEnvironment& environment,
                                              qreal pressedScale = defaultPressedScale);

    qreal pressedScale() const { return pressedScale_; }
    // The scale drawn now.
    qreal scale() const { return scale_; }
    void setScale(qreal scale);

protected:
    void draw(QPainter* painter) override;

private:
    VelkoraPressableButtonStyle(QAbstractButton* button, const ViewEnvironment& environment, qreal pressedScale);
    void follow(bool pressed);

    ViewEnvironment environment_;
    qreal pressedScale_;
    qreal scale_ = 1.0;
};

}  // namespace velkora
