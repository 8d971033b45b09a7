#include "VisualKit/VelkoraButton.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraTheme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace velkora {

namespace {

constexpr int symbolGap = 6;

struct Box {
    int height;
    int horizontalPadding;
    qreal cornerRadius;
};

Box boxFor(VelkoraButton::Size size)
{
    switch (size) {
    case VelkoraButton::Size::small: return Box{24, 10, 7};
    case VelkoraButton::Size::regular: return Box{30, 14, 9};
    case VelkoraButton::Size::large: return Box{38, 20, 11};
    }
    return Box{30, 14, 9};
}

// Text on the energy and warm fills reads best dark in both appearances.
QColor prominentText()
{
    return QColor::fromRgbF(0.04f, 0.07f, 0.06f);
}

}  // namespace

VelkoraButton::VelkoraButton(const QString& text, Style style, QWidget* parent)
    : VelkoraButton(QString(), text, style, parent)
{
}

VelkoraButton::VelkoraButton(const QString& symbol, const QString& text, Style style, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), style_(style)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void VelkoraButton::setSymbol(const QString& symbol)
{
    symbol_ = symbol;
    updateGeometry();
    update();
}

void VelkoraButton::setTint(const QColor& tint)
{
    tint_ = tint;
    update();
}

void VelkoraButton::setControlSize(Size size)
{
    size_ = size;
    updateGeometry();
    update();
}

QFont VelkoraButton::textFont() const
{
    const int size = size_ == Size::small ? 12 : size_ == Size::large ? 15 : 13;
    return VelkoraFont::system(size, style_ == Style::prominent ? QFont::DemiBold : QFont::Medium);
}

int VelkoraButton::symbolPointSize() const
{
    return size_ == Size::small ? 11 : size_ == Size::large ? 15 : 13;
}

QColor VelkoraButton::foreground() const
{
    switch (style_) {
    case Style::prominent: return prominentText();
    case Style::bordered: return tint_.value_or(VelkoraTheme::label());
    case Style::plain: return tint_.value_or(VelkoraTheme::label());
    case Style::destructive: return VelkoraTheme::systemRed();
    }
    return VelkoraTheme::label();
}

QSize VelkoraButton::sizeHint() const
{
    const Box box = boxFor(size_);
    const QFontMetricsF metrics(textFont());
    qreal width = metrics.horizontalAdvance(text());
    if (!symbol_.isEmpty()) {
        width += SymbolImage::side(symbolPointSize()) + (text().isEmpty() ? 0 : symbolGap);
    }
    const int padding = style_ == Style::plain ? 2 : box.horizontalPadding;
    return QSize(qCeil(width) + 2 * padding, box.height);
}

void VelkoraButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    const Box box = boxFor(size_);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = continuousRoundedRect(area, box.cornerRadius);
    if (style_ == Style::prominent) {
        QColor fill = tint_.value_or(VelkoraTheme::energy());
        if (isDown()) {
            fill = fill.darker(115);
        }
        painter.fillPath(shape, fill);
    } else if (style_ != Style::plain) {
        painter.fillPath(shape, VelkoraTheme::track());
        if (isDown()) {
            painter.fillPath(shape, VelkoraTheme::track());
        }
        painter.strokePath(shape, QPen(VelkoraTheme::border(), 1.0));
    }
    QColor color = foreground();
    if (style_ == Style::plain && isDown()) {
        color.setAlphaF(color.alphaF() * 0.6f);
    }
    const QFontMetricsF metrics(textFont());
    const qreal symbolSide = symbol_.isEmpty() ? 0 : SymbolImage::side(symbolPointSize());
    const qreal gap = symbol_.isEmpty() || text().isEmpty() ? 0 : symbolGap;
    const qreal contentWidth = symbolSide + gap + metrics.horizontalAdvance(text());
    qreal x = (width() - contentWidth) / 2;
    if (!symbol_.isEmpty()) {
        SymbolImage::paint(painter, QRectF(x, (height() - symbolSide) / 2, symbolSide, symbolSide), symbol_,
                           symbolPointSize(), QFont::DemiBold, color);
        x += symbolSide + gap;
    }
    painter.setFont(textFont());
    painter.setPen(color);
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

}  // namespace velkora
