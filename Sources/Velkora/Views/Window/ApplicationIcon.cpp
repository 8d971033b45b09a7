#include "Window/ApplicationIcon.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraTheme.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

namespace velkora {

QPixmap ApplicationIcon::pixmap(int side, qreal devicePixelRatio)
{
    const QIcon windowIcon = QGuiApplication::windowIcon();
    if (!windowIcon.isNull()) {
        return windowIcon.pixmap(QSize(side, side), devicePixelRatio);
    }
    return drawMark(side, devicePixelRatio);
}

QIcon ApplicationIcon::mark()
{
    QIcon icon;
    for (const int side : {16, 32, 64, 128, 256}) {
        icon.addPixmap(drawMark(side, 1.0));
    }
    return icon;
}

QPixmap ApplicationIcon::drawMark(int side, qreal devicePixelRatio)
{
    QPixmap image(QSize(side, side) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The tile keeps the dark look in either appearance, like the welcome sheet.
    const QRectF tile(side * 0.04, side * 0.04, side * 0.92, side * 0.92);
    const QColor base = VelkoraTheme::backgroundColor(AppAppearance::dark);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, base.lighter(260));
    fill.setColorAt(1, base);
    painter.fillPath(continuousRoundedRect(tile, side * 0.23), fill);
    painter.strokePath(continuousRoundedRect(tile, side * 0.23), QPen(VelkoraTheme::border(ColorAppearance::dark), 1));

    // A charge ring most of the way round, on its track.
    const qreal ringWidth = side * 0.085;
    const QRectF ring = tile.adjusted(side * 0.2, side * 0.2, -side * 0.2, -side * 0.2);
    painter.setPen(QPen(VelkoraTheme::track(ColorAppearance::dark), ringWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(ring);
    painter.setPen(QPen(VelkoraTheme::energy(), ringWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, 90 * 16, -290 * 16);
    SymbolImage::paint(painter, ring, QStringLiteral("bolt.fill"), qMax(6, qRound(side * 0.3)), QFont::Bold,
                       VelkoraTheme::energy());
    return image;
}

}  // namespace velkora
