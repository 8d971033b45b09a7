#include "VisualKit/VelkoraMotion.h"

#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QWidget>

namespace velkora {

namespace {

QEasingCurve cubic(double x1, double y1, double x2, double y2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}

// The animation that is running for `property` of `target`, by name.
QByteArray animationName(const QByteArray& property)
{
    return "velkora-motion-" + property;
}

void stopRunning(QObject* target, const QByteArray& property)
{
    const QString name = QString::fromLatin1(animationName(property));
    for (QPropertyAnimation* running : target->findChildren<QPropertyAnimation*>(name, Qt::FindDirectChildrenOnly)) {
        running->stop();
        running->deleteLater();
    }
}

// The opacity effect of a presented view; made on first use.
QGraphicsOpacityEffect* opacityEffect(QWidget* view)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(view->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(view);
        effect->setOpacity(view->isVisible() ? 1.0 : 0.0);
        view->setGraphicsEffect(effect);
    }
    return effect;
}

QPoint offsetFrom(Qt::Edge edge, const QSize& size)
{
    switch (edge) {
    case Qt::TopEdge: return QPoint(0, -size.height());
    case Qt::BottomEdge: return QPoint(0, size.height());
    case Qt::LeftEdge: return QPoint(-size.width(), 0);
    case Qt::RightEdge: return QPoint(size.width(), 0);
    }
    return QPoint();
}

}  // namespace

const Animation& VelkoraMotion::quick()
{
    static const Animation animation{cubic(0.23, 1.0, 0.32, 1.0), std::chrono::milliseconds(140)};
    return animation;
}

const Animation& VelkoraMotion::data()
{
    static const Animation animation{cubic(0.77, 0.0, 0.175, 1.0), std::chrono::milliseconds(200)};
    return animation;
}

const Animation& VelkoraMotion::panel()
{
    static const Animation animation{cubic(0.23, 1.0, 0.32, 1.0), std::chrono::milliseconds(200)};
    return animation;
}

const Animation& VelkoraMotion::reducedOpacity()
{
    // The common ease-out: starts at full speed, settles gently.
    static const Animation animation{cubic(0.0, 0.0, 0.58, 1.0), std::chrono::milliseconds(140)};
    return animation;
}

std::optional<Animation> VelkoraMotion::feedback(bool reduceMotion)
{
    return reduceMotion ? std::nullopt : std::optional<Animation>(quick());
}

std::optional<Animation> VelkoraMotion::panelChange(bool reduceMotion)
{
    return reduceMotion ? std::nullopt : std::optional<Animation>(panel());
}

std::optional<Animation> VelkoraMotion::dataChange(bool reduceMotion)
{
    return reduceMotion ? std::nullopt : std::optional<Animation>(data());
}

Animation VelkoraMotion::opacityChange(bool reduceMotion)
{
    return reduceMotion ? reducedOpacity() : panel();
}

Transition VelkoraMotion::conditionalTransition(bool reduceMotion, Qt::Edge edge)
{
    return Transition{!reduceMotion, edge};
}

void VelkoraMotion::animate(QObject* target, const QByteArray& property, const QVariant& value,
                            const std::optional<Animation>& animation)
{
    stopRunning(target, property);
    if (!animation) {
        target->setProperty(property.constData(), value);
        return;
    }
    auto* running = new QPropertyAnimation(target, property, target);
    running->setObjectName(QString::fromLatin1(animationName(property)));
    running->setEndValue(value);
    running->setDuration(static_cast<int>(animation->duration.count()));
    running->setEasingCurve(animation->curve);
    running->start(QAbstractAnimation::DeleteWhenStopped);
}

void VelkoraMotion::present(QWidget* view, bool visible, const Transition& transition, const Animation& animation)
{
    QGraphicsOpacityEffect* effect = opacityEffect(view);
    const QString name = QStringLiteral("velkora-motion-presentation");
    const char* restingProperty = "velkoraRestingPosition";
    const auto running = view->findChildren<QParallelAnimationGroup*>(name, Qt::FindDirectChildrenOnly);
    // An interrupted presentation continues from where the view is now; its
    // place is the one the first presentation found.
    const bool interrupted = !running.isEmpty();
    for (auto* group : running) {
        group->disconnect(view);
        group->stop();
        group->deleteLater();
    }
    const QPoint resting = interrupted ? view->property(restingProperty).toPoint() : view->pos();
    view->setProperty(restingProperty, resting);
    if (interrupted && !transition.moves) {
        view->move(resting);
    }
    auto* group = new QParallelAnimationGroup(view);
    group->setObjectName(name);
    const int duration = static_cast<int>(animation.duration.count());

    auto* fade = new QPropertyAnimation(effect, "opacity", group);
    fade->setDuration(duration);
    fade->setEasingCurve(animation.curve);
    fade->setEndValue(visible ? 1.0 : 0.0);
    if (visible && !view->isVisible()) {
        effect->setOpacity(0.0);
        view->show();
    }
    if (transition.moves) {
        const QPoint away = resting + offsetFrom(transition.edge, view->size());
        auto* slide = new QPropertyAnimation(view, "pos", group);
        slide->setDuration(duration);
        slide->setEasingCurve(animation.curve);
        slide->setStartValue(interrupted ? view->pos() : (visible ? away : resting));
        slide->setEndValue(visible ? resting : away);
        if (!visible) {
            // Back at its place once gone, for the next appearance.
            QObject::connect(group, &QAbstractAnimation::finished, view, [view, resting] { view->move(resting); });
        }
    }
    if (!visible) {
        QObject::connect(group, &QAbstractAnimation::finished, view, [view] { view->hide(); });
    }
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace velkora
