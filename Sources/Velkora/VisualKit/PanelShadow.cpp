#include "PanelShadow.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/VelkoraPanel.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <vector>

namespace velkora {

namespace {

// One pass of a box blur of width 2 * reach + 1 along the rows of an 8-bit
// alpha image; three passes each way come close to a Gaussian.
void blurRows(QImage& image, int reach)
{
    const int width = image.width();
    std::vector<int> row(static_cast<size_t>(width));
    const int span = 2 * reach + 1;
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[static_cast<size_t>(x)] = line[x];
        }
        int sum = 0;
        for (int x = 0; x <= reach && x < width; ++x) {
            sum += row[static_cast<size_t>(x)];
        }
        for (int x = 0; x < width; ++x) {
            line[x] = static_cast<uchar>(sum / span);
            const int leaving = x - reach;
            const int entering = x + reach + 1;
            sum -= leaving >= 0 ? row[static_cast<size_t>(leaving)] : 0;
            sum += entering < width ? row[static_cast<size_t>(entering)] : 0;
        }
    }
}

QImage transposed(const QImage& image)
{
    QImage result(image.height(), image.width(), QImage::Format_Alpha8);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            result.scanLine(x)[y] = line[x];
        }
    }
    return result;
}

bool paintsOpaque(const QWidget* widget)
{
    return widget->isWindow() || widget->autoFillBackground() || widget->testAttribute(Qt::WA_OpaquePaintEvent);
}

}  // namespace

QImage panelShadowImage(const QSize& size, qreal cornerRadius, int blur, const QColor& color)
{
    QImage mask(size.width() + 2 * blur, size.height() + 2 * blur, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(continuousRoundedRect(QRectF(blur, blur, size.width(), size.height()), cornerRadius),
                         Qt::black);
    }
    // A shadow's radius is about two standard deviations of its blur; three
    // boxes of this reach make about that.
    const int reach = std::max(1, blur / 3);
    for (int pass = 0; pass < 3; ++pass) {
        blurRows(mask, reach);
    }
    mask = transposed(mask);
    for (int pass = 0; pass < 3; ++pass) {
        blurRows(mask, reach);
    }
    mask = transposed(mask);
    QImage shadow(mask.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    QPainter tint(&shadow);
    tint.drawImage(0, 0, mask);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(shadow.rect(), color);
    return shadow;
}

PanelShadowHost* PanelShadowHost::of(QWidget* holder)
{
    const QString name = QStringLiteral("velkora-panel-shadows");
    if (auto* host = holder->findChild<PanelShadowHost*>(name, Qt::FindDirectChildrenOnly)) {
        return host;
    }
    auto* host = new PanelShadowHost(holder);
    host->setObjectName(name);
    return host;
}

QWidget* PanelShadowHost::holderOf(const QWidget* panel)
{
    QWidget* ancestor = panel->parentWidget();
    while (ancestor && !paintsOpaque(ancestor)) {
        ancestor = ancestor->parentWidget();
    }
    return ancestor;
}

PanelShadowHost::PanelShadowHost(QWidget* holder) : QObject(holder), holder_(holder)
{
    holder->installEventFilter(this);
}

void PanelShadowHost::add(VelkoraPanel* panel)
{
    if (!panels_.contains(panel)) {
        panels_.append(panel);
    }
}

void PanelShadowHost::remove(VelkoraPanel* panel)
{
    panels_.removeAll(panel);
}

bool PanelShadowHost::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != holder_ || event->type() != QEvent::Paint || painting_) {
        return false;
    }
    // The holder paints itself first; the shadows go over that and under
    // its children, which paint after this event.
    painting_ = true;
    QCoreApplication::sendEvent(holder_, event);
    painting_ = false;
    paintShadows(static_cast<QPaintEvent*>(event)->region());
    return true;
}

void PanelShadowHost::paintShadows(const QRegion& region)
{
    panels_.removeAll(nullptr);
    QPainter painter(holder_);
    for (const QPointer<VelkoraPanel>& panel : std::as_const(panels_)) {
        if (!panel->isVisibleTo(holder_) || holderOf(panel) != holder_) {
            continue;
        }
        const QRect area = panel->shadowRect().translated(panel->mapTo(holder_, QPoint(0, 0)));
        QRegion visible = region.intersected(area);
        // Scroll areas show only what is inside their viewport.
        for (QWidget* ancestor = panel->parentWidget(); ancestor && ancestor != holder_;
             ancestor = ancestor->parentWidget()) {
            const auto* scrollArea = qobject_cast<const QAbstractScrollArea*>(ancestor->parentWidget());
            if (scrollArea && scrollArea->viewport() == ancestor) {
                visible &= QRect(ancestor->mapTo(holder_, QPoint(0, 0)), ancestor->size());
            }
        }
        if (visible.isEmpty()) {
            continue;
        }
        painter.setClipRegion(visible);
        painter.drawImage(area.topLeft(), panel->shadowImage());
    }
}

}  // namespace velkora
