#include "Window/BannerCapsule.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/PanelShadowImage.h"
#include "VisualKit/VelkoraTheme.h"

#include <QHBoxLayout>
#include <QPainter>

namespace velkora {

namespace {

constexpr int shadowRadius = 12;
constexpr float shadowOpacity = 0.33f;

}  // namespace

BannerCapsule::BannerCapsule(const QColor& outline, QWidget* parent) : QWidget(parent), outline_(outline)
{
    row_ = new QHBoxLayout(this);
    row_->setSpacing(10);
    row_->setContentsMargins(shadowMargin + 14, shadowMargin + 10, shadowMargin + 14, shadowMargin + 10);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void BannerCapsule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    const qreal radius = capsule.height() / 2;
    const QSize capsuleSize = capsule.size().toSize();
    if (shadow_.isNull() || shadow_.size() != capsuleSize + QSize(2 * shadowRadius, 2 * shadowRadius)) {
        QColor shade = Qt::black;
        shade.setAlphaF(shadowOpacity);
        shadow_ = panelShadowImage(capsuleSize, radius, shadowRadius, shade);
    }
    painter.drawImage(QPointF(capsule.left() - shadowRadius, capsule.top() - shadowRadius), shadow_);
    const QPainterPath shape = continuousRoundedRect(capsule, radius);
    painter.fillPath(shape, VelkoraTheme::ultraThinMaterial());
    painter.strokePath(shape, QPen(outline_, 1.0));
}

}  // namespace velkora
