#include "VisualKit/HelpLink.h"

#include "VisualKit/ContinuousShape.h"
#include "VisualKit/SymbolImage.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraTheme.h"

#include "Services/AppLanguage.h"

#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace velkora {

namespace {

constexpr int symbolSize = 14;
// The padding a popover gives its content.
constexpr int popoverPadding = 14;

// The popover: a floating card that closes on a click outside it.
class HelpPopover : public QWidget {
public:
    HelpPopover(const QString& text, QWidget* anchor) : QWidget(anchor, Qt::Popup | Qt::FramelessWindowHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        // The click that closes the popover is not handed on: a click on the
        // help button closes it instead of opening it again.
        setAttribute(Qt::WA_NoMouseReplay);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(popoverPadding, popoverPadding, popoverPadding, popoverPadding);
        label = new VelkoraLabel(text, VelkoraFont::system(13), ForegroundStyle::primary, this);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFixedWidth(HelpLink::textWidth);
        layout->addWidget(label);
    }

    VelkoraLabel* label;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12);
        painter.fillPath(shape, VelkoraTheme::floatingSurface());
        painter.strokePath(shape, QPen(VelkoraTheme::border(), 1.0));
    }
};

}  // namespace

HelpLink::HelpLink(const QString& textKey, QWidget* parent) : QAbstractButton(parent), text_(localized(textKey))
{
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(QString());
    connect(this, &QAbstractButton::clicked, this, &HelpLink::toggle);
}

HelpLink::~HelpLink()
{
    delete popover_;
}

void HelpLink::setTextKey(const QString& textKey)
{
    text_ = localized(textKey);
    if (VelkoraLabel* shown = popoverText()) {
        shown->setText(text_);
        popover_->adjustSize();
    }
}

bool HelpLink::isShowing() const
{
    return popover_ && popover_->isVisible();
}

VelkoraLabel* HelpLink::popoverText() const
{
    return popover_ ? static_cast<HelpPopover*>(popover_.data())->label : nullptr;
}

void HelpLink::toggle()
{
    if (isShowing()) {
        popover_->close();
        return;
    }
    auto* popover = new HelpPopover(text_, this);
    popover->adjustSize();
    // Below the button, centred on it, kept on the screen.
    const QPoint below = mapToGlobal(QPoint(width() / 2, height() + 4));
    QPoint place(below.x() - popover->width() / 2, below.y());
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - popover->width())));
        if (place.y() + popover->height() > area.bottom()) {
            place.setY(mapToGlobal(QPoint(0, -4)).y() - popover->height());
        }
    }
    popover->move(place);
    popover->show();
    popover_ = popover;
}

QSize HelpLink::sizeHint() const
{
    const int side = qCeil(SymbolImage::side(symbolSize));
    return QSize(side, side);
}

void HelpLink::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor color = VelkoraTheme::secondaryLabel();
    if (isDown() || isShowing()) {
        color = VelkoraTheme::label();
    }
    SymbolImage::paint(painter, rect(), QStringLiteral("questionmark.circle"), symbolSize, QFont::Normal, color);
}

}  // namespace velkora
