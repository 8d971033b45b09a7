#include "Battery/VitalMetric.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int badgeSide = 30;
constexpr qreal badgeRadius = 9;
constexpr qreal badgeOpacity = 0.12;
constexpr int symbolSize = 17;

}  // namespace

// The symbol on its tinted square.
class VitalMetricView::Badge : public QWidget {
public:
    Badge() { setFixedSize(badgeSide, badgeSide); }

    void setSymbol(const QString& symbol, const QColor& tint)
    {
        if (symbol == symbol_ && tint == tint_) {
            return;
        }
        symbol_ = symbol;
        tint_ = tint;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = tint_;
        fill.setAlphaF(static_cast<float>(fill.alphaF() * badgeOpacity));
        painter.fillPath(continuousRoundedRect(QRectF(rect()), badgeRadius), fill);
        SymbolImage::paint(painter, QRectF(rect()), symbol_, symbolSize, QFont::DemiBold, tint_);
    }

private:
    QString symbol_;
    QColor tint_;
};

VitalMetricView::VitalMetricView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(11);
    badge_ = new Badge();
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    title_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::secondary);
    value_ = new VelkoraLabel(QString(), VelkoraFont::rounded(16, QFont::Bold));
    value_->setMonospacedDigits(true);
    detail_ = new VelkoraLabel(QString(), VelkoraFont::caption(), ForegroundStyle::tertiary);
    texts->addWidget(title_);
    texts->addWidget(value_);
    texts->addWidget(detail_);
    row->addWidget(badge_, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
}

void VitalMetricView::setMetric(const VitalMetric& metric)
{
    if (metric == metric_) {
        return;
    }
    metric_ = metric;
    badge_->setSymbol(metric.symbol, metric.tint);
    title_->setText(metric.title);
    value_->setText(metric.value);
    detail_->setText(metric.detail);
}

}  // namespace velkora
