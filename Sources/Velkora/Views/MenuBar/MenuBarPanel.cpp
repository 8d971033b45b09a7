#include "MenuBar/MenuBarPanel.h"

#include "MenuBar/MenuPopoverView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace velkora {

namespace {

constexpr int gapBelowItem = 4;
// How long after closing a click still counts as the one that closed it.
constexpr qint64 closingClickMilliseconds = 250;

}  // namespace

MenuBarPanel::MenuBarPanel(const ViewEnvironment& environment, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), environment_(environment)
{
    setObjectName(QStringLiteral("menu-bar-panel"));
    setWindowTitle(QStringLiteral("Tallowmere Menu"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void MenuBarPanel::makeContent()
{
    content_ = new MenuPopoverView(environment_, this);
    layout()->addWidget(content_);
}

bool MenuBarPanel::closedJustNow() const
{
    return sinceClosed_.isValid() && sinceClosed_.elapsed() < closingClickMilliseconds;
}

void MenuBarPanel::hideEvent(QHideEvent* event)
{
    sinceClosed_.start();
    QWidget::hideEvent(event);
}

void MenuBarPanel::popUp(QPoint anchor)
{
    if (content_ == nullptr) {
        makeContent();
    }
    adjustSize();
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    QPoint topLeft(anchor.x() - width() / 2, anchor.y() + gapBelowItem);
    if (screen != nullptr) {
        const QRect available = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() + 1 - width())));
        topLeft.setY(std::clamp(topLeft.y(), available.top(), std::max(available.top(), available.bottom() + 1 - height())));
    }
    move(topLeft);
    show();
    raise();
    activateWindow();
}

}  // namespace velkora
