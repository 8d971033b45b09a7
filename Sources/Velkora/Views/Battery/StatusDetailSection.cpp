#include "Battery/StatusDetailSection.h"

#include "VisualKit/MonospacedDigits.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr int lineSpacing = 7;
constexpr int fontSize = 12;
// A section never gets narrower than this; the panel's width is shared.
constexpr int minimumSectionWidth = 150;

}  // namespace

// One row, painted: label at the leading edge, value and trailing text at
// the trailing edge, the value shortened when they would meet.
class StatusDetailSectionView::Line : public QWidget {
public:
    Line()
        : labelFont_(VelkoraFont::system(fontSize)), valueFont_(VelkoraFont::system(fontSize, QFont::DemiBold)),
          trailingFont_(VelkoraFont::system(fontSize, QFont::Bold))
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(QFontMetrics(valueFont_).height());
    }

    void setRow(const StatusDetailRow& row)
    {
        if (row == row_) {
            return;
        }
        row_ = row;
        setAccessibleName(row.label);
        setAccessibleDescription(row.trailing ? row.value + QLatin1Char(' ') + *row.trailing : row.value);
        update();
    }

    // The value as it fits beside its label now.
    QString shownValue() const
    {
        const qreal room = width() - QFontMetricsF(labelFont_).horizontalAdvance(row_.label) - lineSpacing -
                           trailingWidth();
        if (MonospacedDigits::width(row_.value, valueFont_) <= room) {
            return row_.value;
        }
        return QFontMetrics(valueFont_).elidedText(row_.value, Qt::ElideMiddle, std::max(0, static_cast<int>(room)));
    }

protected:
    // Drawn once per row, width and colours, then copied: each digit is a
    // text of its own, and shaping them all on every paint is slow.
    void paintEvent(QPaintEvent*) override
    {
        const qreal scale = devicePixelRatioF();
        const QColor secondary = foregroundColor(ForegroundStyle::secondary);
        const QColor primary = foregroundColor(ForegroundStyle::primary);
        if (image_.isNull() || drawnRow_ != row_ || image_.size() != (QSizeF(size()) * scale).toSize() ||
            drawnSecondary_ != secondary || drawnPrimary_ != primary) {
            image_ = QPixmap((QSizeF(size()) * scale).toSize());
            image_.setDevicePixelRatio(scale);
            image_.fill(Qt::transparent);
            QPainter painter(&image_);
            draw(painter, primary, secondary);
            drawnRow_ = row_;
            drawnPrimary_ = primary;
            drawnSecondary_ = secondary;
        }
        QPainter painter(this);
        painter.drawPixmap(QPoint(0, 0), image_);
    }

private:
    void draw(QPainter& painter, const QColor& primary, const QColor& secondary) const
    {
        const qreal baseline = (height() + QFontMetricsF(valueFont_).capHeight()) / 2;
        painter.setFont(labelFont_);
        painter.setPen(secondary);
        painter.drawText(QPointF(0, baseline), row_.label);
        qreal x = width();
        if (row_.trailing) {
            x -= MonospacedDigits::width(*row_.trailing, trailingFont_);
            paintDigits(painter, *row_.trailing, trailingFont_, VelkoraTheme::energy(), x, baseline);
            x -= lineSpacing;
        }
        const QString value = shownValue();
        x -= MonospacedDigits::width(value, valueFont_);
        paintDigits(painter, value, valueFont_, primary, x, baseline);
    }

    qreal trailingWidth() const
    {
        return row_.trailing ? MonospacedDigits::width(*row_.trailing, trailingFont_) + lineSpacing : 0;
    }

    static void paintDigits(QPainter& painter, const QString& text, const QFont& font, const QColor& color, qreal x,
                            qreal baseline)
    {
        painter.setPen(color);
        MonospacedDigits::draw(painter, text, font, x, baseline);
    }

    QFont labelFont_;
    QFont valueFont_;
    QFont trailingFont_;
    StatusDetailRow row_;
    QPixmap image_;
    StatusDetailRow drawnRow_;
    QColor drawnPrimary_;
    QColor drawnSecondary_;
};

StatusDetailSectionView::StatusDetailSectionView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* heading = new QHBoxLayout();
    heading->setSpacing(6);
    symbol_ = new SymbolView(QString(), 13, QFont::Bold);
    title_ = new VelkoraLabel(QString(), VelkoraFont::system(13, QFont::Bold));
    heading->addWidget(symbol_);
    heading->addWidget(title_, 1);
    column->addLayout(heading);
    auto* lines = new QVBoxLayout();
    lines->setSpacing(lineSpacing);
    column->addLayout(lines);
    column->addStretch(1);
}

QString StatusDetailSectionView::shownValue(qsizetype index) const
{
    return lines_.at(index)->shownValue();
}

QSize StatusDetailSectionView::minimumSizeHint() const
{
    return QSize(minimumSectionWidth, layout()->minimumSize().height());
}

void StatusDetailSectionView::setSection(const StatusDetailSection& section)
{
    if (section == section_) {
        return;
    }
    section_ = section;
    symbol_->setName(section.symbol);
    title_->setText(section.title);
    auto* lines = static_cast<QVBoxLayout*>(layout()->itemAt(1)->layout());
    while (lines_.size() < section.rows.size()) {
        auto* line = new Line();
        lines->addWidget(line);
        lines_.append(line);
    }
    while (lines_.size() > section.rows.size()) {
        delete lines_.takeLast();
    }
    for (qsizetype index = 0; index < section.rows.size(); ++index) {
        lines_[index]->setRow(section.rows[index]);
    }
}

}  // namespace velkora
