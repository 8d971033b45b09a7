#include "Settings/MenuBarOptionCard.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

MenuBarOptionCard::MenuBarOptionCard(const ViewEnvironment& environment, const Metrics& metrics, QWidget* parent)
    : QAbstractButton(parent), environment_(environment), metrics_(metrics), content_(new QVBoxLayout(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setCursor(Qt::PointingHandCursor);
    content_->setContentsMargins(metrics.padding);
    content_->setSpacing(metrics.spacing);
    content_->setAlignment(metrics.alignment | Qt::AlignTop);
    VelkoraPressableButtonStyle::apply(this, environment);
}

void MenuBarOptionCard::setSelected(bool selected, bool animated)
{
    if (selected == selected_) {
        return;
    }
    selected_ = selected;
    VelkoraMotion::animate(this, "selectedProgress", selected ? 1.0 : 0.0,
                           animated ? VelkoraMotion::feedback(environment_.reducesMotion()) : std::nullopt);
    emit selectedChanged(selected);
}

void MenuBarOptionCard::setSelectionColors(const QColor& fill, const QColor& stroke)
{
    metrics_.selectedFill = fill;
    metrics_.selectedStroke = stroke;
    update();
}

void MenuBarOptionCard::setSelectedProgress(qreal progress)
{
    selectedProgress_ = progress;
    update();
}

QSize MenuBarOptionCard::sizeHint() const
{
    return content_->sizeHint();
}

QSize MenuBarOptionCard::minimumSizeHint() const
{
    return content_->minimumSize();
}

void MenuBarOptionCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape =
        continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), metrics_.cornerRadius);
    painter.fillPath(shape, blend(VelkoraTheme::track(), metrics_.selectedFill, selectedProgress_));
    painter.strokePath(shape, QPen(blend(VelkoraTheme::border(), metrics_.selectedStroke, selectedProgress_), 1.0));
}

}  // namespace velkora
