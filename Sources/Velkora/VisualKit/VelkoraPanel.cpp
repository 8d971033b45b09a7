#include "VisualKit/VelkoraPanel.h"

#include "PanelShadow.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/Divider.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppSettings.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr qreal shadowOpacity = 0.24;
constexpr int shadowRadius = 22;
constexpr QPoint shadowOffset(0, 12);

}  // namespace

VelkoraPanel::VelkoraPanel(const ViewEnvironment& environment, QWidget* parent)
    : VelkoraPanel(environment, Metrics(), parent)
{
}

VelkoraPanel::VelkoraPanel(const ViewEnvironment& environment, const Metrics& metrics, QWidget* parent)
    : QWidget(parent), settings_(environment.settings), metrics_(metrics)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(metrics.padding, metrics.padding, metrics.padding, metrics.padding);
    outer->setSpacing(0);
    content_ = new QVBoxLayout();
    content_->setContentsMargins(0, 0, 0, 0);
    content_->setSpacing(0);
    if (metrics.fillHeight) {
        outer->addStretch(1);
        outer->addLayout(content_);
        outer->addStretch(1);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    } else {
        outer->addLayout(content_);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    }
    if (settings_) {
        connect(settings_, &AppSettings::reduceTransparencyChanged, this, [this] {
            update();
            placeShadow();
        });
    }
}

QRect VelkoraPanel::shadowRect() const
{
    return rect().adjusted(-shadowRadius, -shadowRadius, shadowRadius, shadowRadius).translated(shadowOffset);
}

const QImage& VelkoraPanel::shadowImage()
{
    QColor color(Qt::black);
    color.setAlphaF(static_cast<float>(shadowOpacity * fillColor().alphaF()));
    if (shadow_.isNull() || shadowSize_ != size() || shadowColor_ != color) {
        shadow_ = panelShadowImage(size(), metrics_.cornerRadius, shadowRadius, color);
        shadowSize_ = size();
        shadowColor_ = color;
    }
    return shadow_;
}

void VelkoraPanel::placeShadow()
{
    QWidget* holder = isVisible() ? PanelShadowHost::holderOf(this) : nullptr;
    if (shadowHolder_ && !shadowArea_.isEmpty()) {
        shadowHolder_->update(shadowArea_);
    }
    if (shadowHolder_ != holder) {
        if (shadowHolder_) {
            PanelShadowHost::of(shadowHolder_)->remove(this);
        }
        if (holder) {
            PanelShadowHost::of(holder)->add(this);
        }
        shadowHolder_ = holder;
    }
    shadowArea_ = holder ? shadowRect().translated(mapTo(holder, QPoint(0, 0))) : QRect();
    if (holder) {
        holder->update(shadowArea_);
    }
}

bool VelkoraPanel::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ParentChange:
    case QEvent::ApplicationPaletteChange:
        placeShadow();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void VelkoraPanel::addRow(QWidget* row)
{
    if (rows_ > 0) {
        content_->addWidget(new Divider(Divider::rowOpacity, Qt::Horizontal, this));
    }
    content_->addWidget(row);
    ++rows_;
}

void VelkoraPanel::setAppearance(ColorAppearance appearance)
{
    appearance_ = appearance;
    update();
}

QColor VelkoraPanel::fillColor() const
{
    const bool opaque = settings_ && settings_->reduceTransparency();
    const ColorAppearance appearance = appearance_.value_or(VelkoraTheme::current());
    return opaque ? VelkoraTheme::controlBackground(appearance) : VelkoraTheme::card(appearance);
}

QSize VelkoraPanel::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    if (!metrics_.fillHeight && width() > 0 && hasHeightForWidth()) {
        hint.setHeight(std::max(hint.height(), heightForWidth(width())));
    }
    return hint;
}

void VelkoraPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A new width may need another height: the layout asks again.
    if (!metrics_.fillHeight && hasHeightForWidth() && width() != hintedWidth_) {
        hintedWidth_ = width();
        updateGeometry();
    }
}

void VelkoraPanel::paintEvent(QPaintEvent*)
{
    // The card is drawn once per size and colours and then copied: filling
    // and stroking its curved outline on every paint is slow.
    const QColor fill = fillColor();
    const QColor border = VelkoraTheme::border(appearance_.value_or(VelkoraTheme::current()));
    const qreal scale = devicePixelRatioF();
    if (card_.isNull() || cardSize_ != size() || cardFill_ != fill || cardBorder_ != border ||
        card_.devicePixelRatio() != scale) {
        card_ = QPixmap((QSizeF(size()) * scale).toSize());
        card_.setDevicePixelRatio(scale);
        card_.fill(Qt::transparent);
        QPainter painter(&card_);
        painter.setRenderHint(QPainter::Antialiasing);
        // The outline's half-point inset keeps its stroke inside the card.
        const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                                                         metrics_.cornerRadius);
        painter.fillPath(shape, fill);
        painter.strokePath(shape, QPen(border, 1.0));
        cardSize_ = size();
        cardFill_ = fill;
        cardBorder_ = border;
    }
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), card_);
}

}  // namespace velkora
