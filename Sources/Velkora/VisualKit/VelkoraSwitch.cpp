#include "VisualKit/VelkoraSwitch.h"

#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>
#include <QPainterPath>

namespace velkora {

namespace {

constexpr int switchWidth = 40;
constexpr int switchHeight = 24;
constexpr qreal knobInset = 2.5;

}  // namespace

VelkoraSwitch::VelkoraSwitch(const ViewEnvironment& environment, QWidget* parent)
    : QAbstractButton(parent), environment_(environment)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void VelkoraSwitch::nextCheckState()
{
    // A click slides the knob.
    QAbstractButton::nextCheckState();
    VelkoraMotion::animate(this, "knobPosition", isChecked() ? 1.0 : 0.0,
                           VelkoraMotion::feedback(environment_.reducesMotion()));
}

void VelkoraSwitch::checkStateSet()
{
    // A state set from code shows at once.
    QAbstractButton::checkStateSet();
    VelkoraMotion::animate(this, "knobPosition", isChecked() ? 1.0 : 0.0, std::nullopt);
}

void VelkoraSwitch::setKnobPosition(qreal position)
{
    knobPosition_ = position;
    update();
}

QSize VelkoraSwitch::sizeHint() const
{
    return QSize(switchWidth, switchHeight);
}

void VelkoraSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(0, 0, switchWidth, switchHeight).translated(
        (width() - switchWidth) / 2.0, (height() - switchHeight) / 2.0);
    const QColor off = VelkoraTheme::fill();
    const QColor on = VelkoraTheme::energy();
    QColor fill = off;
    if (knobPosition_ > 0) {
        const auto mix = [this](float a, float b) { return a + (b - a) * static_cast<float>(knobPosition_); };
        fill = QColor::fromRgbF(mix(off.redF(), on.redF()), mix(off.greenF(), on.greenF()),
                                mix(off.blueF(), on.blueF()), mix(off.alphaF(), on.alphaF()));
    }
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    QPainterPath capsule;
    capsule.addRoundedRect(track, track.height() / 2, track.height() / 2);
    painter.fillPath(capsule, fill);
    const qreal knob = track.height() - 2 * knobInset;
    const qreal travel = track.width() - 2 * knobInset - knob;
    const QRectF knobRect(track.left() + knobInset + travel * knobPosition_, track.top() + knobInset, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.18f));
    painter.drawEllipse(knobRect.translated(0, 0.75));
    painter.setBrush(isDown() ? QColor::fromRgbF(0.93f, 0.94f, 0.93f) : QColor(Qt::white));
    painter.drawEllipse(knobRect);
}

}  // namespace velkora
