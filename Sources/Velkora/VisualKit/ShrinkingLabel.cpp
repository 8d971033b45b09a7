#include "VisualKit/ShrinkingLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace velkora {

namespace {

// How finely the scale is tried between full size and the smallest.
constexpr qreal scaleStep = 0.01;

}  // namespace

ShrinkingLabel::ShrinkingLabel(const QString& text, const QFont& font, ForegroundStyle style, int maximumLines,
                               qreal minimumScale, QWidget* parent)
    : VelkoraLabel(text, font, style, parent), maximumLines_(std::max(1, maximumLines)),
      minimumScale_(std::clamp(minimumScale, 0.1, 1.0))
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int ShrinkingLabel::fullHeight() const
{
    return static_cast<int>(std::ceil(maximumLines_ * QFontMetricsF(font()).lineSpacing()));
}

QSize ShrinkingLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const int oneLine = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(text())));
    return QSize(oneLine + margins.left() + margins.right(), fullHeight() + margins.top() + margins.bottom());
}

QSize ShrinkingLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    const int ellipsis = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(QChar(0x2026))));
    return QSize(ellipsis + margins.left() + margins.right(), fullHeight() + margins.top() + margins.bottom());
}

int ShrinkingLabel::lineCount(qreal width) const
{
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

ShrinkingLabel::Fit ShrinkingLabel::fit() const
{
    const qreal width = contentsRect().width();
    if (width <= 0 || text().isEmpty()) {
        return Fit{};
    }
    // Largest first: the text shrinks only as far as it must.
    for (qreal scale = 1.0; scale >= minimumScale_ - scaleStep / 2; scale -= scaleStep) {
        if (lineCount(width / scale) <= maximumLines_) {
            return Fit{scale, false};
        }
    }
    return Fit{minimumScale_, true};
}

void ShrinkingLabel::paintEvent(QPaintEvent*)
{
    const Fit shown = fit();
    const QRectF area = contentsRect();
    const qreal width = area.width() / shown.scale;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.setFont(font());
    painter.translate(area.topLeft());
    painter.scale(shown.scale, shown.scale);

    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const QFontMetricsF metrics(font());
    layout.beginLayout();
    qreal y = 0;
    for (int index = 0; index < maximumLines_; ++index) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        const bool last = index == maximumLines_ - 1;
        if (last && shown.truncated) {
            // The rest of the text on one line, ending in an ellipsis.
            const QString rest = text().mid(line.textStart());
            painter.drawText(QPointF(0, y + metrics.ascent()), metrics.elidedText(rest, Qt::ElideRight, width));
            break;
        }
        line.draw(&painter, QPointF());
        y += metrics.lineSpacing();
    }
    layout.endLayout();
}

}  // namespace velkora
