#include "MenuBar/MenuBarImage.h"

#include <QPainter>

#include <cmath>

namespace velkora {

MenuBarImage::MenuBarImage(QSizeF size, bool isTemplate, Drawing drawing)
    : size_(size), isTemplate_(isTemplate), drawing_(std::move(drawing))
{
}

void MenuBarImage::draw(QPainter& painter) const
{
    painter.save();
    painter.translate(0, size_.height());
    painter.scale(1, -1);
    drawing_(painter);
    painter.restore();
}

QImage MenuBarImage::render(qreal scale, const QColor& tint) const
{
    QImage image(static_cast<int>(std::ceil(size_.width() * scale)), static_cast<int>(std::ceil(size_.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.scale(scale, scale);
        draw(painter);
        if (isTemplate_) {
            painter.resetTransform();
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), tint);
        }
    }
    image.setDevicePixelRatio(scale);
    return image;
}

}  // namespace velkora
