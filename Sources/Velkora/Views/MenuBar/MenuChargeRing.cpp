#include "MenuBar/MenuChargeRing.h"

#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr qreal lineWidth = 6;

}  // namespace

MenuChargeRing::MenuChargeRing(QWidget* parent) : QWidget(parent)
{
    setFixedSize(side, side);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    number_ = new VelkoraLabel(QString(), VelkoraFont::rounded(14, QFont::Bold), ForegroundStyle::primary, this);
    number_->setMonospacedDigits(true);
    number_->setAlignment(Qt::AlignCenter);
    layout->addWidget(number_, 0, Qt::AlignCenter);
}

void MenuChargeRing::setLevel(int percentage, const QColor& color)
{
    percentage_ = percentage;
    color_ = color;
    number_->setText(QLocale::c().toString(percentage));
    number_->setColor(color);
    update();
}

void MenuChargeRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    painter.setPen(QPen(VelkoraTheme::track(), lineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(circle);
    const int fraction = std::clamp(percentage_, 0, 100);
    if (fraction == 0) {
        return;
    }
    painter.setPen(QPen(color_, lineWidth, Qt::SolidLine, Qt::RoundCap));
    // Qt counts sixteenths of a degree anticlockwise from three o'clock.
    painter.drawArc(circle, 90 * 16, -fraction * 360 * 16 / 100);
}

}  // namespace velkora
