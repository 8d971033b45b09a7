#include "Battery/RuleCard.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int cardPadding = 20;
constexpr qreal cardCornerRadius = 22;
constexpr qreal glazeOpacity = 0.055;

}  // namespace

RuleCard::RuleCard(QWidget* parent)
    : QWidget(parent), body_(new QWidget(this)), content_(new QVBoxLayout(body_)),
      heightMotion_(new QVariantAnimation(this))
{
    content_->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    body_->installEventFilter(this);
    connect(heightMotion_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (movingHeight_) {
            movingHeight_ = value.toInt();
            updateGeometry();
        }
    });
    connect(heightMotion_, &QAbstractAnimation::finished, this, [this] {
        movingHeight_.reset();
        updateGeometry();
    });
}

int RuleCard::contentHeight(int width) const
{
    if (content_->hasHeightForWidth()) {
        return content_->totalHeightForWidth(width);
    }
    return content_->totalSizeHint().height();
}

QSize RuleCard::sizeHint() const
{
    const QSize content = content_->totalSizeHint();
    return QSize(content.width(), movingHeight_.value_or(content.height()));
}

QSize RuleCard::minimumSizeHint() const
{
    const QSize content = content_->totalMinimumSize();
    return QSize(content.width(), movingHeight_.value_or(content.height()));
}

bool RuleCard::hasHeightForWidth() const
{
    // While it moves the height is the motion's, at any width.
    return !movingHeight_ && content_->hasHeightForWidth();
}

int RuleCard::heightForWidth(int width) const
{
    return movingHeight_.value_or(contentHeight(width));
}

void RuleCard::presentRow(QWidget* row, bool visible, bool reduceMotion)
{
    const std::optional<Animation> motion = VelkoraMotion::panelChange(reduceMotion);
    // Not yet laid out, or nothing to move with: the layout places it.
    const bool moves = motion && isVisible();
    if (moves) {
        heightMotion_->setDuration(static_cast<int>(motion->duration.count()));
        heightMotion_->setEasingCurve(motion->curve);
    }
    VelkoraMotion::present(row, visible, VelkoraMotion::conditionalTransition(reduceMotion, Qt::TopEdge),
                           VelkoraMotion::opacityChange(reduceMotion));
    moveOnNextChange_ = false;
    if (!moves) {
        return;
    }
    if (visible) {
        // The row is in the layout already.
        moveHeightToContent();
        return;
    }
    // The row stays in the layout, fading, until it is hidden; the card
    // holds its height until then, whatever else lays the page out.
    heightMotion_->stop();
    movingHeight_ = movingHeight_.value_or(height());
    moveOnNextChange_ = true;
}

void RuleCard::moveHeightToContent()
{
    const int from = movingHeight_.value_or(height());
    const int to = contentHeight(width());
    placeContent();
    heightMotion_->stop();
    movingHeight_.reset();
    if (from == to) {
        updateGeometry();
        return;
    }
    heightMotion_->setStartValue(from);
    heightMotion_->setEndValue(to);
    movingHeight_ = from;
    heightMotion_->start();
}

void RuleCard::placeContent()
{
    // Never squeezed: a card lower than its content clips it.
    const QRect wanted(0, 0, width(), contentHeight(width()));
    if (body_->geometry() != wanted) {
        body_->setGeometry(wanted);
    }
}

bool RuleCard::eventFilter(QObject* watched, QEvent* event)
{
    // The content's layout asks to be done again: a row came or went, or a
    // text changed its size.
    if (watched == body_ && event->type() == QEvent::LayoutRequest) {
        if (moveOnNextChange_ && contentHeight(width()) != movingHeight_) {
            moveOnNextChange_ = false;
            moveHeightToContent();
        } else {
            placeContent();
            updateGeometry();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RuleCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void RuleCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cardCornerRadius);
    painter.fillPath(shape, VelkoraTheme::card());
    painter.strokePath(shape, QPen(VelkoraTheme::border(), 1.0));
}

InsetArea::InsetArea(qreal cornerRadius, InsetFill fill, QWidget* parent)
    : QWidget(parent), cornerRadius_(cornerRadius), fill_(fill)
{
}

void InsetArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = fill_ == InsetFill::glaze ? withOpacity(QColor(Qt::white), glazeOpacity) : VelkoraTheme::track();
    painter.fillPath(continuousRoundedRect(QRectF(rect()), cornerRadius_), color);
}

}  // namespace velkora
