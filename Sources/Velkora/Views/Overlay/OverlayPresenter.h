#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <cstddef>
#include <memory>

class QVariantAnimation;

namespace velkora {

class AppModel;
class OverlayPanel;
class ReduceMotionSource;

// The one owner of the floating battery overlay: it builds the panel, puts
// it on screen and takes it away with a short fade and slide, and keeps the
// place where the panel rests.
//
// A new panel rests at the centre of the primary screen; where the user
// drags it, it rests from then on, until a hide completes and the panel
// goes with its place. Only a drag changes the resting place: a show or a
// hide caught halfway by the next one glides on from wherever the panel
// is, so no run of interrupted animations can walk the panel away from it.
//
// Callers: the main window each time it appears, the model when it finds
// no battery, and the overlay settings page. Main thread only; nothing
// here fails.
class OverlayPresenter : public QObject {
    Q_OBJECT
public:
    // The fade and slide: 0.18 s on the quick curve, over 6 points.
    static constexpr int animationMilliseconds = 180;
    static constexpr int slideDistance = 6;

    static OverlayPresenter& shared();

    // Shows the overlay of `model`: builds the panel when there is none, or
    // brings the one there is back to its place at full opacity, to the
    // front. Without a built-in battery it hides instead.
    void show(AppModel& model);
    // Takes the panel away: fading as it drops when `animated`, motion is
    // allowed and the panel is on screen; else at once. Nothing without a
    // panel.
    void hide(bool animated);

    // The reduce-motion setting the presenter and its widget follow; when
    // none is set the presenter follows the workspace's from its first show.
    void setReduceMotionSource(ReduceMotionSource* source);

    // The panel while it exists; null once a hide completed.
    OverlayPanel* panel() const;
    // Where the panel rests when fully shown (its card's top-left corner).
    QPoint restingPosition() const { return restingPosition_; }
    bool isHiding() const { return isHiding_; }
    std::size_t animationGeneration() const { return animationGeneration_; }

signals:
    // A hide completed and the panel is gone.
    void panelClosed();

private:
    OverlayPresenter();
    ~OverlayPresenter() override;

    OverlayPanel* makePanel(AppModel& model);
    void present(OverlayPanel* panel, QPoint position);
    void animate(OverlayPanel* panel, QPoint to, double opacity);
    void stopAnimation();
    void close();
    bool reducesMotion();

    QPointer<OverlayPanel> panel_;
    QPoint restingPosition_;
    std::size_t animationGeneration_ = 0;
    bool isHiding_ = false;
    QPointer<QVariantAnimation> animation_;
    QPointer<ReduceMotionSource> reduceMotion_;
    std::unique_ptr<ReduceMotionSource> workspaceReduceMotion_;
    QPointer<AppModel> model_;
};

}  // namespace velkora
