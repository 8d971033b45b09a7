#include "Battery/EnergyMeter.h"

#include "VisualKit/AccessibleElement.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/ValueFormatting.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraMotion.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace velkora {

namespace {

constexpr int barHeight = 5;
// How far, in device pixels, the fill's end must move to look moved: less
// changes only the shade of its last pixel by a quarter at most.
constexpr qreal visibleStep = 0.25;

}  // namespace

// The track and the fill over it, both capsules.
class EnergyMeter::Bar : public QWidget {
public:
    Bar(const EnergyMeter& meter, QColor tint) : meter_(meter), tint_(std::move(tint)) { setFixedHeight(barHeight); }

    // How far the fill's end lies from where it was last drawn, in device pixels.
    qreal distanceFromDrawn(qreal fraction) const { return std::abs(fraction - drawnFraction_) * pixelWidth(); }
    qreal pixelWidth() const { return width() * devicePixelRatioF(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF track(rect());
        painter.fillPath(continuousRoundedRect(track, track.height() / 2), VelkoraTheme::track());
        drawnFraction_ = meter_.displayedFraction();
        const QRectF fill(track.left(), track.top(), track.width() * drawnFraction_, track.height());
        painter.fillPath(continuousRoundedRect(fill, fill.height() / 2), tint_);
    }

private:
    const EnergyMeter& meter_;
    QColor tint_;
    qreal drawnFraction_ = minimumFraction;
};

EnergyMeter::EnergyMeter(const ViewEnvironment& environment, const QString& symbol, const QColor& tint,
                         QWidget* parent)
    : QWidget(parent), environment_(environment)
{
    setFixedWidth(meterWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);
    auto* heading = new QHBoxLayout();
    heading->setSpacing(6);
    auto* symbolView = new SymbolView(symbol, 11, QFont::DemiBold);
    symbolView->setColor(tint);
    titleLabel_ = new VelkoraLabel(QString(), VelkoraFont::system(11, QFont::DemiBold), ForegroundStyle::secondary);
    heading->addWidget(symbolView);
    heading->addWidget(titleLabel_, 1);
    valueLabel_ = new VelkoraLabel(QString(), VelkoraFont::rounded(17, QFont::Bold));
    valueLabel_->setMonospacedDigits(true);
    bar_ = new Bar(*this, tint);
    column->addLayout(heading);
    column->addWidget(valueLabel_);
    column->addWidget(bar_);
    AccessibleElement::combine(this);
}

QWidget* EnergyMeter::bar() const
{
    return bar_;
}

qreal EnergyMeter::barFraction(double value, double maxValue)
{
    const double ratio = value / maxValue;
    // Not a number fails this test too and keeps the stub.
    if (ratio >= minimumFraction) {
        return std::min(ratio, 1.0);
    }
    return minimumFraction;
}

void EnergyMeter::setReading(const QString& title, double value, double maxValue)
{
    title_ = title;
    value_ = value;
    titleLabel_->setText(title);
    valueLabel_->setText(localized(QStringLiteral("%@ W"), oneDecimal(value)));
    setAccessibleName(title);
    AccessibleElement::setValue(this, oneDecimal(value) + L(QStringLiteral(" watts"), QStringLiteral(" 瓦")));
    const qreal target = barFraction(value, maxValue);
    if (shown_ && target == targetFraction_) {
        return;
    }
    // The first reading stands at once; later ones move there, unless the
    // move is too small to be seen, which would be frames of nothing.
    const bool seen = std::abs(target - displayedFraction_) * bar_->pixelWidth() >= visibleStep;
    const std::optional<Animation> motion =
        shown_ && seen ? VelkoraMotion::dataChange(environment_.reducesMotion()) : std::nullopt;
    shown_ = true;
    targetFraction_ = target;
    VelkoraMotion::animate(this, "displayedFraction", target, motion);
}

void EnergyMeter::setDisplayedFraction(qreal fraction)
{
    displayedFraction_ = fraction;
    // A frame is drawn when the fill's end has visibly moved since the last
    // one, and at the end of the way; the others would look the same.
    if (fraction == targetFraction_ || bar_->distanceFromDrawn(fraction) >= visibleStep) {
        bar_->update();
    }
}

}  // namespace velkora
