#include "Battery/RuleCard.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int cardPadding = 20;
constexpr qreal cardCornerRadius = 22;

}  // namespace

RuleCard::RuleCard(QWidget* parent) : QWidget(parent), content_(new QVBoxLayout(this))
{
    content_->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void RuleCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardCornerRadius);
    painter.fillPath(shape, VelkoraTheme::card());
    painter.strokePath(shape, QPen(VelkoraTheme::border(), 1.0));
}

InsetArea::InsetArea(qreal cornerRadius, QWidget* parent) : QWidget(parent), cornerRadius_(cornerRadius) {}

void InsetArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRoundedRect(QRectF(rect()), cornerRadius_), VelkoraTheme::track());
}

}  // namespace velkora
