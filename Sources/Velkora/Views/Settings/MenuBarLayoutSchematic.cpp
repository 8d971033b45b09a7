#include "Settings/MenuBarLayoutSchematic.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>

namespace velkora {

namespace {

constexpr qreal padding = 10;
constexpr qreal spacing = 5;
constexpr qreal lineFrame = 7;
constexpr qreal plainLineHeight = 5;
constexpr int tileCount = 3;

}  // namespace

MenuBarLayoutSchematic::MenuBarLayoutSchematic(MenuBarLayout layout, QWidget* parent)
    : QWidget(parent), layout_(layout)
{
    setFixedHeight(schematicHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumWidth(60);
}

QList<qreal> MenuBarLayoutSchematic::barWidths() const
{
    QList<qreal> widths{0.62};
    if (layout_ != MenuBarLayout::compact) {
        widths.append(0.9);
    }
    if (layout_ == MenuBarLayout::detailed) {
        widths.append(0.78);
    }
    return widths;
}

void MenuBarLayoutSchematic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRoundedRect(QRectF(rect()), 12),
                     withOpacity(foregroundColor(ForegroundStyle::primary), 0.045));
    const QRectF inner = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
    const QColor secondary = foregroundColor(ForegroundStyle::secondary);
    qreal y = inner.top();
    bool emphasized = true;
    for (qreal fraction : barWidths()) {
        const qreal height = emphasized ? lineFrame : plainLineHeight;
        painter.fillPath(continuousRoundedRect(QRectF(inner.left(), y, inner.width() * fraction, height), height / 2),
                         emphasized ? withOpacity(VelkoraTheme::energy(), 0.7) : withOpacity(secondary, 0.24));
        y += lineFrame + spacing;
        emphasized = false;
    }
    // The tiles take what the bars leave.
    const qreal tileWidth = (inner.width() - spacing * (tileCount - 1)) / tileCount;
    const qreal tileHeight = std::max<qreal>(inner.bottom() - y, 0);
    for (int tile = 0; tile < tileCount; ++tile) {
        const QRectF area(inner.left() + tile * (tileWidth + spacing), y, tileWidth, tileHeight);
        painter.fillPath(continuousRoundedRect(area, 5), withOpacity(secondary, 0.16));
    }
}

}  // namespace velkora
