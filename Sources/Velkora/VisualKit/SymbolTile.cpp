#include "VisualKit/SymbolTile.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraTheme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace velkora {

SymbolTile::SymbolTile(const QString& symbol, int side, int symbolSize, QFont::Weight weight, qreal cornerRadius,
                       QWidget* parent)
    : QWidget(parent), cornerRadius_(cornerRadius)
{
    setFixedSize(side, side);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new SymbolView(symbol, symbolSize, weight, ForegroundStyle::primary, this);
    view->setColor(VelkoraTheme::energy());
    layout->addWidget(view, 0, Qt::AlignCenter);
}

void SymbolTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = VelkoraTheme::energy();
    fill.setAlphaF(0.1f);
    painter.fillPath(continuousRoundedRect(QRectF(rect()), cornerRadius_), fill);
}

}  // namespace velkora
