#include "App/BackgroundPermissionGuideView.h"

#include "App/BackgroundPermissionDragPayload.h"
#include "Window/ApplicationIcon.h"

#include "VisualKit/AccessibleElement.h"
#include "VisualKit/ContinuousShape.h"
#include "VisualKit/PanelShadowImage.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"
#include "VisualKit/WindowCompositing.h"

#include "Services/AppLanguage.h"

#include <QApplication>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace velkora {

namespace {

QColor primary(qreal opacity)
{
    QColor color = VelkoraTheme::label();
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

// The application as a card the user drags; it carries the bundle.
class AppIdentityCard : public QWidget {
public:
    explicit AppIdentityCard(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("guide-app-card"));
        setFixedSize(260, 76);
        setCursor(Qt::OpenHandCursor);
        setToolTip(L(QStringLiteral("Drag Tallowmere to a permission list that accepts apps"),
                     QStringLiteral("拖动 Tallowmere 到支持添加应用的权限列表")));
        setAccessibleName(L(QStringLiteral("Draggable Tallowmere app"), QStringLiteral("可拖动的 Tallowmere 应用")));
        setAccessibleDescription(L(QStringLiteral("Drag to a System Settings permission list that accepts apps"),
                                   QStringLiteral("拖到支持添加应用的系统权限列表")));
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(18, 0, 18, 0);
        layout->setSpacing(13);
        auto* icon = new QLabel(this);
        icon->setPixmap(BackgroundPermissionGuideView::appIcon(46, devicePixelRatioF()));
        icon->setFixedSize(46, 46);
        layout->addWidget(icon);
        layout->addWidget(new VelkoraLabel(QStringLiteral("Tallowmere"), VelkoraFont::system(19, QFont::DemiBold),
                                           ForegroundStyle::primary, this));
        layout->addStretch(1);
        auto* hand = new SymbolView(QStringLiteral("hand.draw"), 15, QFont::Medium, ForegroundStyle::secondary, this);
        layout->addWidget(hand);
        AccessibleElement::hide(hand);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16);
        painter.fillPath(shape, primary(0.07));
        painter.setPen(QPen(primary(0.12), 1));
        painter.drawPath(shape);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) {
            pressedAt_ = event->position().toPoint();
            event->accept();
            return;
        }
        QWidget::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!(event->buttons() & Qt::LeftButton) ||
            (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(BackgroundPermissionDragPayload::itemProvider());
        // The preview's window shows a shadow only where the display blends it.
        const bool shadowed = WindowCompositing::blendsTranslucency(window());
        drag->setPixmap(BackgroundPermissionGuideView::dragPreview(devicePixelRatioF(), shadowed));
        drag->setHotSpot(BackgroundPermissionGuideView::dragPreviewHotSpot(shadowed));
        drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    }

private:
    QPoint pressedAt_;
};

// The round close button.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent)
    {
        setObjectName(QStringLiteral("guide-close"));
        setFixedSize(24, 24);
        setCursor(Qt::PointingHandCursor);
        setToolTip(L(QStringLiteral("Close Guide"), QStringLiteral("关闭引导")));
        setAccessibleName(toolTip());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(primary(0.08));
        painter.drawEllipse(QRectF(rect()));
        SymbolImage::paint(painter, QRectF(rect()), QStringLiteral("xmark"), 11, QFont::Bold, VelkoraTheme::label());
    }
};

}  // namespace

QPixmap BackgroundPermissionGuideView::appIcon(int size, qreal devicePixelRatio)
{
    const QPixmap icon = ApplicationIcon::pixmap(size, devicePixelRatio);
    QPixmap rounded(icon.size());
    rounded.setDevicePixelRatio(devicePixelRatio);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.setClipPath(continuousRoundedRect(QRectF(0, 0, size, size), 0.24 * size));
    painter.drawPixmap(QRectF(0, 0, size, size), icon, QRectF(icon.rect()));
    return rounded;
}

QPixmap BackgroundPermissionGuideView::dragPreview(qreal devicePixelRatio, bool shadowed)
{
    const QFont font = VelkoraFont::system(16, QFont::DemiBold);
    const QString name = QStringLiteral("Tallowmere");
    const int width = static_cast<int>(std::ceil(16 + 40 + 11 + QFontMetricsF(font).horizontalAdvance(name) + 16));
    const QSize size(width, 62);
    const QMargins room = shadowed ? dragPreviewShadow.margins() : QMargins();
    QPixmap preview((QSizeF(size.grownBy(room)) * devicePixelRatio).toSize());
    preview.setDevicePixelRatio(devicePixelRatio);
    preview.fill(Qt::transparent);
    QPainter painter(&preview);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const qreal radius = 15;
    if (shadowed) {
        QColor shade(Qt::black);
        shade.setAlphaF(static_cast<float>(dragPreviewShadow.opacity));
        painter.drawImage(QPoint(room.left() - dragPreviewShadow.radius,
                                 room.top() + dragPreviewShadow.offset - dragPreviewShadow.radius),
                          panelShadowImage(size, radius, dragPreviewShadow.radius, shade));
    }
    painter.translate(room.left(), room.top());
    const QPainterPath shape = continuousRoundedRect(QRectF(QPointF(0.5, 0.5), QSizeF(size) - QSizeF(1, 1)), radius);
    painter.fillPath(shape, VelkoraTheme::floatingSurface());
    painter.setPen(QPen(primary(0.16), 1));
    painter.drawPath(shape);
    painter.drawPixmap(QPointF(16, 11), appIcon(40, devicePixelRatio));
    painter.setFont(font);
    painter.setPen(VelkoraTheme::label());
    painter.drawText(QRectF(16 + 40 + 11, 0, width, size.height()), Qt::AlignLeft | Qt::AlignVCenter, name);
    return preview;
}

QPoint BackgroundPermissionGuideView::dragPreviewHotSpot(bool shadowed)
{
    // Over the icon's centre.
    const QPoint icon(40, 31);
    return shadowed ? icon + QPoint(dragPreviewShadow.margins().left(), dragPreviewShadow.margins().top()) : icon;
}

BackgroundPermissionGuideView::BackgroundPermissionGuideView(std::function<void()> onDismiss,
                                                             std::function<void()> onCheckAgain, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("background-permission-guide"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1 + 24, 1, 1 + 24, 1);
    layout->setSpacing(22);

    card_ = new AppIdentityCard(this);
    layout->addWidget(card_);

    auto* arrow = new SymbolView(QStringLiteral("arrow.up"), 31, QFont::DemiBold, ForegroundStyle::primary, this);
    arrow->setColor(VelkoraTheme::energy());
    layout->addWidget(arrow);
    AccessibleElement::hide(arrow);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(7);
    texts->addStretch(1);
    auto* title = new VelkoraLabel(L(QStringLiteral("Drag Tallowmere into the permission list above"),
                                     QStringLiteral("将左侧 Tallowmere 拖到上方权限列表")),
                                   VelkoraFont::system(16, QFont::DemiBold), ForegroundStyle::primary, this);
    title->setWordWrap(true);
    texts->addWidget(title);
    auto* detail = new VelkoraLabel(
        L(QStringLiteral("For Allow in the Background, turn on its switch; the guide closes after approval."),
          QStringLiteral("若当前是“允许在后台”，请打开右侧开关；授权成功后会自动消失。")),
        VelkoraFont::system(14), ForegroundStyle::secondary, this);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    texts->addStretch(1);
    layout->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(13);
    buttons->addStretch(1);
    close_ = new CloseButton(this);
    buttons->addWidget(close_, 0, Qt::AlignHCenter);
    auto* checkAgain = new VelkoraButton(L(QStringLiteral("Check Again"), QStringLiteral("重新检查")),
                                         VelkoraButton::Style::bordered, this);
    checkAgain->setObjectName(QStringLiteral("guide-check-again"));
    checkAgain->setControlSize(VelkoraButton::Size::small);
    checkAgain_ = checkAgain;
    buttons->addWidget(checkAgain_, 0, Qt::AlignHCenter);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(close_, &QAbstractButton::clicked, this, [onDismiss = std::move(onDismiss)] { onDismiss(); });
    connect(checkAgain_, &QAbstractButton::clicked, this, [onCheckAgain = std::move(onCheckAgain)] { onCheckAgain(); });
}

void BackgroundPermissionGuideView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // One point of room around the shape, half a point more for the stroke.
    const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), cornerRadius);
    // The material: the floating surface under the window colour at 72 %.
    painter.fillPath(shape, VelkoraTheme::floatingSurface());
    QColor window = VelkoraTheme::windowBackground();
    window.setAlphaF(0.72f);
    painter.fillPath(shape, window);
    painter.setPen(QPen(primary(0.16), 1));
    painter.drawPath(shape);
}

}  // namespace velkora
