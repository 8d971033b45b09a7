#include "Battery/OrbitValueRow.h"

#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include <QHBoxLayout>

#include <algorithm>
#include <cmath>

namespace velkora {

namespace {

constexpr int spacing = 10;

}  // namespace

OrbitValueRow::OrbitValueRow(QWidget* parent) : QWidget(parent)
{
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(spacing);
    symbol_ = new SymbolView(QString(), 12, QFont::Medium, ForegroundStyle::secondary);
    symbol_->setFrame(QSize(18, 18));
    label_ = new VelkoraLabel(QString(), VelkoraFont::system(12, QFont::Medium), ForegroundStyle::secondary);
    valueLabel_ = new VelkoraLabel(QString(), VelkoraFont::rounded(valueSize, QFont::Bold));
    valueLabel_->setMonospacedDigits(true);
    valueLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    line->addWidget(symbol_);
    line->addWidget(label_);
    line->addStretch(1);
    line->addWidget(valueLabel_);
}

void OrbitValueRow::setValue(const OrbitValue& value)
{
    if (value == value_) {
        return;
    }
    value_ = value;
    symbol_->setName(value.symbol);
    label_->setText(value.label);
    valueLabel_->setText(value.value);
    fitValue();
}

void OrbitValueRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitValue();
}

void OrbitValueRow::fitValue()
{
    const int room = width() - symbol_->sizeHint().width() - label_->sizeHint().width() - 2 * spacing;
    const QFont full = VelkoraFont::rounded(valueSize, QFont::Bold);
    const int needed = QFontMetrics(full).horizontalAdvance(value_.value);
    int size = valueSize;
    if (needed > room && needed > 0 && room > 0) {
        const double scale = std::max(minimumValueScale, static_cast<double>(room) / needed);
        size = static_cast<int>(std::floor(valueSize * scale));
    }
    if (valueLabel_->font().pixelSize() != size) {
        valueLabel_->setFont(VelkoraFont::rounded(size, QFont::Bold));
    }
}

}  // namespace velkora
