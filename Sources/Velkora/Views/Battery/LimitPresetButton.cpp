#include "Battery/LimitPresetButton.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QPainter>

namespace velkora {

namespace {

constexpr qreal selectedFillOpacity = 0.18;
constexpr qreal disabledOpacity = 0.45;

}  // namespace

LimitPresetButton::LimitPresetButton(const ViewEnvironment& environment, int value, bool compact, QWidget* parent)
    : QAbstractButton(parent), value_(value), compact_(compact)
{
    setText(localized(QStringLiteral("%lld"), value));
    setFont(VelkoraFont::rounded(compact ? 11 : 12, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text());
    VelkoraPressableButtonStyle::apply(this, environment);
}

void LimitPresetButton::setSelected(bool selected)
{
    if (selected != selected_) {
        selected_ = selected;
        update();
    }
}

QSize LimitPresetButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int verticalPadding = compact_ ? 5 : 6;
    return QSize(metrics.horizontalAdvance(text()) + 16, metrics.height() + 2 * verticalPadding);
}

QSize LimitPresetButton::minimumSizeHint() const
{
    return QSize(QFontMetrics(font()).horizontalAdvance(text()) + 8, sizeHint().height());
}

void LimitPresetButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : disabledOpacity);
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = VelkoraTheme::track();
    QColor ink = foregroundColor(ForegroundStyle::secondary);
    if (selected_) {
        fill = VelkoraTheme::energy();
        fill.setAlphaF(static_cast<float>(selectedFillOpacity));
        ink = VelkoraTheme::energy();
    }
    painter.fillPath(continuousRoundedRect(area, area.height() / 2), fill);
    painter.setFont(font());
    painter.setPen(ink);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

}  // namespace velkora
