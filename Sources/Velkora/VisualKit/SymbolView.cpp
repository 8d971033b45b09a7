#include "VisualKit/SymbolView.h"

#include "VisualKit/SymbolImage.h"

#include <QPainter>
#include <QVariantAnimation>

namespace velkora {

namespace {

// One breath of the pulse, and how faint it gets.
constexpr int pulseMilliseconds = 1200;
constexpr qreal pulseFloor = 0.3;

}  // namespace

SymbolView::SymbolView(const QString& name, int pointSize, QFont::Weight weight, ForegroundStyle style,
                       QWidget* parent)
    : QWidget(parent), name_(name), pointSize_(pointSize), weight_(weight), style_(style)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TranslucentBackground);
}

// Views set their symbols again with every reading; only a change repaints.
void SymbolView::setName(const QString& name)
{
    if (name == name_) {
        return;
    }
    name_ = name;
    update();
}

void SymbolView::setForegroundStyle(ForegroundStyle style)
{
    if (style == style_ && !color_) {
        return;
    }
    style_ = style;
    color_.reset();
    update();
}

void SymbolView::setColor(const QColor& color)
{
    if (color_ == color) {
        return;
    }
    color_ = color;
    update();
}

QColor SymbolView::color() const
{
    return color_.value_or(foregroundColor(style_));
}

void SymbolView::setFrame(const QSize& frame)
{
    frame_ = frame;
    updateGeometry();
    update();
}

void SymbolView::setPulsing(bool pulsing)
{
    if (pulsing == isPulsing()) {
        return;
    }
    if (!pulsing) {
        pulse_->stop();
        pulse_->deleteLater();
        pulse_ = nullptr;
        setSymbolOpacity(1.0);
        return;
    }
    pulse_ = new QVariantAnimation(this);
    pulse_->setObjectName(QStringLiteral("pulse"));
    pulse_->setStartValue(1.0);
    pulse_->setKeyValueAt(0.5, pulseFloor);
    pulse_->setEndValue(1.0);
    pulse_->setDuration(pulseMilliseconds);
    pulse_->setEasingCurve(QEasingCurve::InOutSine);
    pulse_->setLoopCount(-1);
    connect(pulse_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setSymbolOpacity(value.toReal()); });
    pulse_->start();
}

bool SymbolView::isPulsing() const
{
    return pulse_ != nullptr;
}

void SymbolView::setSymbolOpacity(qreal opacity)
{
    opacity_ = opacity;
    update();
}

QSize SymbolView::sizeHint() const
{
    if (frame_) {
        return *frame_;
    }
    const int length = qCeil(SymbolImage::side(pointSize_));
    return QSize(length, length);
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(opacity_);
    SymbolImage::paint(painter, rect(), name_, pointSize_, weight_, color());
}

}  // namespace velkora
