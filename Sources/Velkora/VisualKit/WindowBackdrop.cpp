#include "VisualKit/WindowBackdrop.h"

#include "VisualKit/VelkoraTheme.h"

#include "Services/AppSettings.h"

#include <QPaintEvent>
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

void WindowBackdrop::paintEvent(QPaintEvent* event)
{
    const AppAppearance appearance = settings_ ? settings_->appearance() : AppAppearance::dark;
    const QColor background = VelkoraTheme::backgroundColor(appearance);
    QColor glow = VelkoraTheme::energy();
    glow.setAlphaF(static_cast<float>(VelkoraTheme::backgroundGlowOpacity(appearance)));
    const qreal scale = devicePixelRatioF();
    // The gradient across the whole window costs milliseconds; it is drawn
    // once per size and appearance, and every paint copies what it needs.
    if (cache_.isNull() || cacheSize_ != size() || cacheBackground_ != background || cacheGlow_ != glow ||
        cache_.devicePixelRatio() != scale) {
        QImage image((QSizeF(size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        QPainter painter(&image);
        painter.fillRect(rect(), background);
        // Stops between the two radii, as fractions of the outer one.
        const qreal inner = innerRadius / outerRadius;
        QRadialGradient gradient(QPointF(0, 0), outerRadius);
        gradient.setColorAt(inner, Qt::transparent);
        gradient.setColorAt((inner + 1.0) / 2, glow);
        gradient.setColorAt(1.0, Qt::transparent);
        painter.fillRect(rect(), gradient);
        painter.end();
        cache_ = QPixmap::fromImage(std::move(image));
        cacheSize_ = size();
        cacheBackground_ = background;
        cacheGlow_ = glow;
    }
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.drawPixmap(exposed, cache_, QRectF(QPointF(exposed.topLeft()) * scale, QSizeF(exposed.size()) * scale));
}

}  // namespace velkora
