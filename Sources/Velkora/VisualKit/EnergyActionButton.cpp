#include "VisualKit/EnergyActionButton.h"

#include "VisualKit/ColorMixing.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraTheme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr qreal cornerRadius = 13;
constexpr int padding = 10;
constexpr qreal activeFillOpacity = 0.15;
constexpr qreal activeBorderOpacity = 0.55;

}  // namespace

EnergyActionButton::EnergyActionButton(const ViewEnvironment& environment, const QString& title,
                                       const QString& subtitle, const QString& symbol, const QColor& tint,
                                       QWidget* parent)
    : QAbstractButton(parent), environment_(environment), tint_(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(9);
    symbol_ = new SymbolView(symbol, 16, QFont::DemiBold, ForegroundStyle::primary, this);
    symbol_->setColor(tint);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    title_ = new VelkoraLabel(title, VelkoraFont::system(13, QFont::Bold), ForegroundStyle::primary, this);
    subtitle_ = new VelkoraLabel(subtitle, VelkoraFont::caption2(), ForegroundStyle::secondary, this);
    texts->addWidget(title_);
    texts->addWidget(subtitle_);
    layout->addWidget(symbol_, 0, Qt::AlignVCenter);
    layout->addLayout(texts);
    layout->addStretch(1);
    for (QWidget* child : {static_cast<QWidget*>(symbol_), static_cast<QWidget*>(title_),
                           static_cast<QWidget*>(subtitle_)}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    press_ = VelkoraPressableButtonStyle::apply(this, environment);
    if (environment.reduceMotion) {
        connect(environment.reduceMotion, &ReduceMotionSource::reduceMotionChanged, this,
                &EnergyActionButton::updatePulse);
    }
}

void EnergyActionButton::setTitle(const QString& title)
{
    title_->setText(title);
}

void EnergyActionButton::setSubtitle(const QString& subtitle)
{
    subtitle_->setText(subtitle);
}

void EnergyActionButton::setSymbol(const QString& symbol)
{
    symbol_->setName(symbol);
}

void EnergyActionButton::setActive(bool active)
{
    if (active == active_) {
        return;
    }
    active_ = active;
    VelkoraMotion::animate(this, "activeProgress", active ? 1.0 : 0.0,
                           VelkoraMotion::feedback(environment_.reducesMotion()));
}

void EnergyActionButton::setActiveProgress(qreal progress)
{
    activeProgress_ = progress;
    update();
}

void EnergyActionButton::updatePulse()
{
    symbol_->setPulsing(!isEnabled() && !environment_.reducesMotion());
}

void EnergyActionButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        updatePulse();
    }
    QAbstractButton::changeEvent(event);
}

QSize EnergyActionButton::sizeHint() const
{
    return layout()->sizeHint();
}

QSize EnergyActionButton::minimumSizeHint() const
{
    return layout()->minimumSize();
}

void EnergyActionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius);
    painter.fillPath(shape, blend(VelkoraTheme::track(), withOpacity(tint_, activeFillOpacity), activeProgress_));
    painter.strokePath(shape, QPen(blend(VelkoraTheme::border(), withOpacity(tint_, activeBorderOpacity),
                                         activeProgress_),
                                   1.0));
}

}  // namespace velkora
