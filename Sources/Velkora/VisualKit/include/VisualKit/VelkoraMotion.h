#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QVariant>

#include <chrono>
#include <optional>

class QObject;
class QVariantAnimation;
class QWidget;

namespace velkora {

// The application's animations: a timing curve and a duration. Every change
// that moves on screen is timed by one of these.
struct Animation {
    QEasingCurve curve;
    std::chrono::milliseconds duration;
};

// How a view comes and goes: always a fade; without reduced motion also a
// slide in from (and out to) `edge`.
struct Transition {
    bool moves = false;
    Qt::Edge edge = Qt::TopEdge;
};

// The named animations and the choices between them by the user's
// reduce-motion accessibility setting (ReduceMotionSource), which is the
// system's, never an application setting. With reduce motion, movement and
// scaling stop while fades still run. Main thread only.
class VelkoraMotion {
public:
    VelkoraMotion() = delete;

    // Cubic timing curves, built once.
    static const Animation& quick();           // (0.23, 1.0, 0.32, 1.0), 0.14 s
    static const Animation& data();            // (0.77, 0.0, 0.175, 1.0), 0.20 s
    static const Animation& panel();           // quick's curve, 0.20 s
    static const Animation& reducedOpacity();  // ease-out, 0.14 s

    // Press and hover feedback, small selection changes: quick, or none.
    static std::optional<Animation> feedback(bool reduceMotion);
    // A panel's content or layout changes: panel, or none.
    static std::optional<Animation> panelChange(bool reduceMotion);
    // A displayed measurement changes: data, or none.
    static std::optional<Animation> dataChange(bool reduceMotion);
    // Changes that must fade even with reduced motion (banners, badges):
    // reducedOpacity with it, else panel.
    static Animation opacityChange(bool reduceMotion);
    // A fade alone with reduced motion; else a slide from `edge` with a fade.
    static Transition conditionalTransition(bool reduceMotion, Qt::Edge edge);

    // Animates `property` of `target` to `value` with `animation`, stopping
    // an earlier animation of the same property; without an animation the
    // value is set at once. The animation belongs to `target`.
    static void animate(QObject* target, const QByteArray& property, const QVariant& value,
                        const std::optional<Animation>& animation);

    // Shows or hides `view` (in its parent, at its laid-out place) with
    // `transition` timed by `animation`: it fades, and slides by its own
    // extent from the edge when the transition moves. Hiding ends with the
    // view hidden.
    static void present(QWidget* view, bool visible, const Transition& transition, const Animation& animation);
};

}  // namespace velkora
