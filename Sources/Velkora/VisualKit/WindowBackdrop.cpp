#include "VisualKit/WindowBackdrop.h"

#include "VisualKit/VelkoraTheme.h"

#include "Services/AppSettings.h"

#include <QPainter>
#include <QRadialGradient>

namespace velkora {

namespace {

constexpr qreal innerRadius = 20;
constexpr qreal outerRadius = 850;

}  // namespace

WindowBackdrop::WindowBackdrop(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent), settings_(environment.settings)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (settings_) {
        connect(settings_, &AppSettings::appearanceChanged, this, qOverload<>(&QWidget::update));
    }
}

void WindowBackdrop::paintEvent(QPaintEvent*)
{
    const AppAppearance appearance = settings_ ? settings_->appearance() : AppAppearance::dark;
    const QColor background = VelkoraTheme::backgroundColor(appearance);
    QColor glow = VelkoraTheme::energy();
    glow.setAlphaF(static_cast<float>(VelkoraTheme::backgroundGlowOpacity(appearance)));
    QPainter painter(this);
    painter.fillRect(rect(), background);
    // Stops between the two radii, as fractions of the outer one.
    const qreal inner = innerRadius / outerRadius;
    QRadialGradient gradient(QPointF(0, 0), outerRadius);
    gradient.setColorAt(inner, Qt::transparent);
    gradient.setColorAt((inner + 1.0) / 2, glow);
    gradient.setColorAt(1.0, Qt::transparent);
    painter.fillRect(rect(), gradient);
}

}  // namespace velkora
