#include "Overlay/OverlayPresenter.h"

#include "Overlay/OverlayPanel.h"

#include "Model/AppModel.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/ViewEnvironment.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariantAnimation>

namespace velkora {

OverlayPresenter& OverlayPresenter::shared()
{
    // Lives for the whole process: the panel may still be up when the
    // application object goes, and nothing must run after that.
    static OverlayPresenter* const presenter = new OverlayPresenter;
    return *presenter;
}

OverlayPresenter::OverlayPresenter() = default;

OverlayPresenter::~OverlayPresenter() = default;

OverlayPanel* OverlayPresenter::panel() const
{
    return panel_;
}

void OverlayPresenter::setReduceMotionSource(ReduceMotionSource* source)
{
    reduceMotion_ = source;
}

bool OverlayPresenter::reducesMotion()
{
    if (!reduceMotion_) {
        if (!workspaceReduceMotion_) {
            workspaceReduceMotion_ = ReduceMotionSource::followingWorkspace();
        }
        reduceMotion_ = workspaceReduceMotion_.get();
    }
    return reduceMotion_->reduceMotion();
}

void OverlayPresenter::show(AppModel& model)
{
    if (!model.batteryPresent()) {
        hide(true);
        return;
    }
    ++animationGeneration_;
    // A panel draws one model's readings; another model's (or a gone
    // model's) panel makes way for a new one.
    if (panel_ && model_ != &model) {
        close();
    }
    if (panel_) {
        isHiding_ = false;
        panel_->setAcceptsDrags(true);
        present(panel_, restingPosition_);
        return;
    }
    OverlayPanel* panel = makePanel(model);
    panel->adjustSize();
    const QSize card = panel->cardGeometry().size();
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect available = primary ? primary->availableGeometry() : QRect(QPoint(0, 0), card);
    panel_ = panel;
    model_ = &model;
    restingPosition_ = available.center() - QPoint(card.width() / 2, card.height() / 2);
    isHiding_ = false;
    present(panel, restingPosition_);
}

void OverlayPresenter::hide(bool animated)
{
    if (!panel_) {
        return;
    }
    const std::size_t generation = ++animationGeneration_;
    isHiding_ = true;
    OverlayPanel* panel = panel_;
    panel->setAcceptsDrags(false);
    if (!animated || reducesMotion() || !panel->isVisible()) {
        close();
        return;
    }
    animate(panel, restingPosition_ + QPoint(0, slideDistance), 0.0);
    connect(animation_, &QAbstractAnimation::finished, this, [this, generation, panel = QPointer(panel)] {
        if (generation == animationGeneration_ && panel && panel == panel_) {
            close();
        }
    });
}

OverlayPanel* OverlayPresenter::makePanel(AppModel& model)
{
    ViewEnvironment environment;
    environment.model = &model;
    environment.telemetry = &model.telemetry();
    environment.settings = &model.settings();
    reducesMotion();
    environment.reduceMotion = reduceMotion_;
    auto* panel = new OverlayPanel(environment);
    connect(panel, &OverlayPanel::dragStarted, this, [this, panel] {
        // The user takes the panel where it is, fully there.
        if (panel == panel_ && !isHiding_) {
            stopAnimation();
            panel->setWindowOpacity(1.0);
        }
    });
    connect(panel, &OverlayPanel::dragEnded, this, [this, panel](QPoint position) {
        if (panel == panel_ && !isHiding_) {
            restingPosition_ = position;
        }
    });
    return panel;
}

void OverlayPresenter::present(OverlayPanel* panel, QPoint position)
{
    stopAnimation();
    if (reducesMotion()) {
        panel->setWindowOpacity(1.0);
        panel->moveCard(position);
        panel->show();
        panel->raise();
        return;
    }
    if (!panel->isVisible()) {
        panel->setWindowOpacity(0.0);
        panel->moveCard(position + QPoint(0, slideDistance));
    }
    panel->show();
    panel->raise();
    animate(panel, position, 1.0);
}

void OverlayPresenter::animate(OverlayPanel* panel, QPoint to, double opacity)
{
    stopAnimation();
    const QPoint from = panel->cardGeometry().topLeft();
    const double fromOpacity = panel->windowOpacity();
    auto* animation = new QVariantAnimation(panel);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(animationMilliseconds);
    animation->setEasingCurve(VelkoraMotion::quick().curve);
    connect(animation, &QVariantAnimation::valueChanged, panel, [panel, from, to, fromOpacity, opacity](const QVariant& value) {
        const double progress = value.toDouble();
        panel->moveCard(from + (to - from) * progress);
        panel->setWindowOpacity(fromOpacity + (opacity - fromOpacity) * progress);
    });
    animation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void OverlayPresenter::stopAnimation()
{
    if (animation_) {
        // Stopping emits no finished(): an interrupted hide never closes.
        animation_->disconnect(this);
        animation_->stop();
    }
}

void OverlayPresenter::close()
{
    stopAnimation();
    if (panel_) {
        panel_->close();
    }
    panel_ = nullptr;
    isHiding_ = false;
    emit panelClosed();
}

}  // namespace velkora
