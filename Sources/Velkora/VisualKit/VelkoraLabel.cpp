#include "VisualKit/VelkoraLabel.h"

#include "VisualKit/MonospacedDigits.h"
#include "VisualKit/VelkoraTheme.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>


namespace velkora {

QColor foregroundColor(ForegroundStyle style)
{
    switch (style) {
    case ForegroundStyle::primary: return VelkoraTheme::label();
    case ForegroundStyle::secondary: return VelkoraTheme::secondaryLabel();
    case ForegroundStyle::tertiary: return VelkoraTheme::tertiaryLabel();
    }
    return VelkoraTheme::label();
}

VelkoraLabel::VelkoraLabel(const QString& text, const QFont& font, ForegroundStyle style, QWidget* parent)
    : QLabel(parent), style_(style)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFont(font);
    setText(text);
    applyColor();
}

void VelkoraLabel::setForegroundStyle(ForegroundStyle style)
{
    style_ = style;
    color_.reset();
    applyColor();
}

void VelkoraLabel::setColor(const QColor& color)
{
    color_ = color;
    applyColor();
}

void VelkoraLabel::setMonospacedDigits(bool monospaced)
{
    monospacedDigits_ = monospaced;
    updateGeometry();
    update();
}

void VelkoraLabel::applyColor()
{
    const QColor wanted = color_.value_or(foregroundColor(style_));
    if (palette().color(QPalette::WindowText) != wanted || !palette().isBrushSet(QPalette::Active, QPalette::WindowText)) {
        QPalette colors = palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            colors.setColor(group, QPalette::WindowText, wanted);
        }
        setPalette(colors);
    }
}

bool VelkoraLabel::event(QEvent* event)
{
    // The foreground styles are the appearance's: a new palette is a new
    // appearance. Re-applying an unchanged colour does nothing, so this ends.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        const bool handled = QLabel::event(event);
        applyColor();
        return handled;
    }
    return QLabel::event(event);
}

qreal VelkoraLabel::monospacedWidth() const
{
    return MonospacedDigits::width(text(), font());
}

QSize VelkoraLabel::sizeHint() const
{
    if (!monospacedDigits_) {
        return QLabel::sizeHint();
    }
    const QFontMetricsF metrics(font());
    const QMargins margins = contentsMargins();
    return QSize(qCeil(monospacedWidth()) + margins.left() + margins.right(),
                 qCeil(metrics.height()) + margins.top() + margins.bottom());
}

QSize VelkoraLabel::minimumSizeHint() const
{
    return monospacedDigits_ ? sizeHint() : QLabel::minimumSizeHint();
}

VelkoraLabel::DrawnText VelkoraLabel::drawnText() const
{
    return DrawnText{text(),
                     font(),
                     palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText),
                     size(),
                     contentsMargins(),
                     margin(),
                     alignment(),
                     wordWrap(),
                     monospacedDigits_,
                     isEnabled(),
                     devicePixelRatioF()};
}

void VelkoraLabel::paintEvent(QPaintEvent* event)
{
    // A frame, an indent or an effect are drawn as the label draws them.
    if (frameWidth() > 0 || indent() >= 0 || graphicsEffect()) {
        if (monospacedDigits_) {
            QPainter painter(this);
            drawText(painter);
        } else {
            QLabel::paintEvent(event);
        }
        return;
    }
    DrawnText wanted = drawnText();
    if (!drawn_ || *drawn_ != wanted) {
        image_ = QPixmap((QSizeF(size()) * wanted.scale).toSize());
        image_.setDevicePixelRatio(wanted.scale);
        image_.fill(Qt::transparent);
        QPainter painter(&image_);
        drawText(painter);
        drawn_ = std::move(wanted);
    }
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), image_);
}

void VelkoraLabel::drawText(QPainter& painter) const
{
    painter.setFont(font());
    if (!monospacedDigits_) {
        // As the label draws plain text.
        const QRect area = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
        const int flags = int(QStyle::visualAlignment(layoutDirection(), alignment())) |
                          (wordWrap() ? int(Qt::TextWordWrap) : 0);
        style()->drawItemText(&painter, area, flags, palette(), isEnabled(), text(), foregroundRole());
        return;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const QRectF area = contentsRect();
    const qreal width = monospacedWidth();
    qreal x = area.left();
    if (alignment() & Qt::AlignHCenter) {
        x = area.center().x() - width / 2;
    } else if (alignment() & Qt::AlignRight) {
        x = area.right() - width;
    }
    const qreal baseline = area.center().y() - metrics.height() / 2 + metrics.ascent();
    const qreal cell = MonospacedDigits::cellWidth(metrics);
    // Digits centred in equal cells; other runs as the font sets them.
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty()) {
            painter.drawText(QPointF(x, baseline), run);
            x += metrics.horizontalAdvance(run);
            run.clear();
        }
    };
    for (const QChar character : text()) {
        if (!character.isDigit()) {
            run.append(character);
            continue;
        }
        flush();
        const qreal advance = metrics.horizontalAdvance(character);
        painter.drawText(QPointF(x + (cell - advance) / 2, baseline), QString(character));
        x += cell;
    }
    flush();
}

}  // namespace velkora
