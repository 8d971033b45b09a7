#include "MenuBar/MenuAction.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace velkora {

namespace {

constexpr qreal cornerRadius = 15;
constexpr qreal verticalPadding = 11;
constexpr qreal spacing = 7;
constexpr int symbolSize = 17;
constexpr int titleSize = 11;
constexpr qreal activeFillOpacity = 0.16;
constexpr qreal activeBorderOpacity = 0.45;
// The platform's disabled controls are drawn at about this opacity.
constexpr qreal disabledOpacity = 0.45;

QFont titleFont()
{
    return VelkoraFont::system(titleSize, QFont::DemiBold);
}

}  // namespace

MenuAction::MenuAction(const ViewEnvironment& environment, const QColor& tint, QWidget* parent)
    : QAbstractButton(parent), environment_(environment), tint_(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    VelkoraPressableButtonStyle::apply(this, environment);
}

void MenuAction::setTitleKey(const QString& key)
{
    titleKey_ = key;
    setText(localized(key));
    setAccessibleName(text());
}

void MenuAction::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    update();
}

void MenuAction::setActive(bool active)
{
    if (active == active_) {
        return;
    }
    active_ = active;
    VelkoraMotion::animate(this, "activeProgress", active ? 1.0 : 0.0,
                           VelkoraMotion::feedback(environment_.reducesMotion()));
}

void MenuAction::setActiveProgress(qreal progress)
{
    activeProgress_ = progress;
    update();
}

QSize MenuAction::sizeHint() const
{
    const QFontMetricsF metrics(titleFont());
    const qreal height = 2 * verticalPadding + SymbolImage::side(symbolSize) + spacing + metrics.height();
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()))) + 16,
                 static_cast<int>(std::ceil(height)));
}

QSize MenuAction::minimumSizeHint() const
{
    return QSize(40, sizeHint().height());
}

void MenuAction::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : disabledOpacity);
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius);
    painter.fillPath(shape, blend(VelkoraTheme::track(), withOpacity(tint_, activeFillOpacity), activeProgress_));
    painter.strokePath(shape, QPen(blend(VelkoraTheme::border(), withOpacity(tint_, activeBorderOpacity),
                                         activeProgress_),
                                   1.0));

    // The symbol over the title, the pair centred in the tile.
    const QFontMetricsF metrics(titleFont());
    const qreal side = SymbolImage::side(symbolSize);
    const qreal top = (height() - (side + spacing + metrics.height())) / 2;
    SymbolImage::paint(painter, QRectF((width() - side) / 2, top, side, side), symbol_, symbolSize, QFont::DemiBold,
                       tint_);
    painter.setFont(titleFont());
    painter.setPen(VelkoraTheme::label());
    const QRectF titleArea(4, top + side + spacing, width() - 8, metrics.height());
    painter.drawText(titleArea, Qt::AlignCenter, metrics.elidedText(text(), Qt::ElideRight, titleArea.width()));
}

}  // namespace velkora
