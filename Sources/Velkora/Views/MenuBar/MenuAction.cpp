#include "MenuBar/MenuAction.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraPressableButtonStyle.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr qreal cornerRadius = 15;
constexpr int verticalPadding = 11;
constexpr qreal activeFillOpacity = 0.16;
constexpr qreal activeBorderOpacity = 0.45;
// The platform's disabled controls are drawn at about this opacity.
constexpr qreal disabledOpacity = 0.45;

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

QColor blend(const QColor& from, const QColor& to, qreal progress)
{
    const auto mix = [progress](float a, float b) { return a + (b - a) * static_cast<float>(progress); };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), mix(from.alphaF(), to.alphaF()));
}

}  // namespace

MenuAction::MenuAction(const ViewEnvironment& environment, const QColor& tint, QWidget* parent)
    : QAbstractButton(parent), environment_(environment), tint_(tint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, verticalPadding, 4, verticalPadding);
    layout->setSpacing(7);
    symbol_ = new SymbolView(QString(), 17, QFont::DemiBold, ForegroundStyle::primary, this);
    symbol_->setColor(tint);
    title_ = new VelkoraLabel(QString(), VelkoraFont::system(11, QFont::DemiBold), ForegroundStyle::primary, this);
    title_->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol_, 0, Qt::AlignHCenter);
    layout->addWidget(title_, 0, Qt::AlignHCenter);
    for (QWidget* child : {static_cast<QWidget*>(symbol_), static_cast<QWidget*>(title_)}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    VelkoraPressableButtonStyle::apply(this, environment);
}

void MenuAction::setTitleKey(const QString& key)
{
    titleKey_ = key;
    title_->setText(localized(key));
    setAccessibleName(title_->text());
}

void MenuAction::setSymbol(const QString& symbol)
{
    symbol_->setName(symbol);
}

QString MenuAction::symbol() const
{
    return symbol_->name();
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

void MenuAction::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // The content fades with the tile; the press style owns the tile's
        // own effect, so the children carry theirs.
        for (QWidget* child : {static_cast<QWidget*>(symbol_), static_cast<QWidget*>(title_)}) {
            auto* effect = qobject_cast<QGraphicsOpacityEffect*>(child->graphicsEffect());
            if (!effect) {
                effect = new QGraphicsOpacityEffect(child);
                child->setGraphicsEffect(effect);
            }
            effect->setOpacity(isEnabled() ? 1.0 : disabledOpacity);
            effect->setEnabled(!isEnabled());
        }
        update();
    }
    QAbstractButton::changeEvent(event);
}

QSize MenuAction::sizeHint() const
{
    return layout()->sizeHint();
}

QSize MenuAction::minimumSizeHint() const
{
    return layout()->minimumSize();
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
}

}  // namespace velkora
