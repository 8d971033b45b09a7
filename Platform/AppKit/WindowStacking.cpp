#include "AppKit/WindowStacking.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <functional>

namespace platform {

namespace {

bool isShown(const QWidget* window)
{
    return window != nullptr && window->isWindow() && window->isVisible() && window->windowHandle() != nullptr;
}

// The window that `window` belongs to (its parent's), or null.
QWidget* ownerOf(const QWidget& window)
{
    QWidget* parent = window.parentWidget();
    return parent != nullptr ? parent->window() : nullptr;
}

// A window stands at least as high as the window it belongs to.
WindowStacking::Level standing(const QWidget& window)
{
    const WindowStacking::Level own = WindowStacking::levelOf(window);
    const QWidget* owner = ownerOf(window);
    return isShown(owner) ? std::max(own, standing(*owner)) : own;
}

// Whether `window` is `ancestor` or belongs to it, directly or through others.
bool isWithin(const QWidget* window, const QWidget& ancestor)
{
    for (; window != nullptr; window = ownerOf(*window)) {
        if (window == &ancestor) {
            return true;
        }
    }
    return false;
}

QPointer<WindowStacking>& installed()
{
    static QPointer<WindowStacking> instance;
    return instance;
}

}  // namespace

void WindowStacking::install()
{
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    // Elsewhere nothing stacks (offscreen) or the compositor alone does (Wayland).
    if (application == nullptr || installed() || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    installed() = new WindowStacking(application);
}

WindowStacking::Level WindowStacking::levelOf(const QWidget& window)
{
    const Qt::WindowType type = window.windowType();
    if (type == Qt::Popup || type == Qt::ToolTip) {
        return Level::popUp;
    }
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? Level::floating : Level::normal;
}

WindowStacking::WindowStacking(QObject* parent) : QObject(parent)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            cameUp_.emplace_back(window);
        }
    }
    QCoreApplication::instance()->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &WindowStacking::followFocus);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool WindowStacking::eventFilter(QObject* watched, QEvent* event)
{
    // A window is shown before it is mapped and raised before the server
    // restacks it: the pass that follows runs after both.
    const QEvent::Type type = event->type();
    if ((type != QEvent::Show && type != QEvent::ZOrderChange && type != QEvent::Hide) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (!widget->isWindow()) {
        return false;
    }
    if (type != QEvent::Hide) {
        cameUp(widget);
        return false;
    }
    // A sheet that goes while it has the keyboard hands it back to its window.
    QWidget* owner = ownerOf(*widget);
    if (isShown(owner) && levelOf(*widget) != Level::popUp && widget->windowHandle() != nullptr &&
        widget->windowHandle() == QGuiApplication::focusWindow()) {
        QTimer::singleShot(0, owner, [owner] { giveKeyboard(*owner); });
    }
    return false;
}

void WindowStacking::cameUp(QWidget* window)
{
    std::erase_if(cameUp_, [window](const QPointer<QWidget>& known) { return known.isNull() || known == window; });
    cameUp_.emplace_back(window);
    if (std::find(pending_.begin(), pending_.end(), window) == pending_.end()) {
        pending_.emplace_back(window);
    }
    if (!scheduled_) {
        scheduled_ = true;
        QTimer::singleShot(0, this, &WindowStacking::restack);
    }
}

std::size_t WindowStacking::recency(const QWidget& window) const
{
    const auto found = std::find(cameUp_.begin(), cameUp_.end(), &window);
    return found == cameUp_.end() ? 0 : static_cast<std::size_t>(found - cameUp_.begin()) + 1;
}

std::vector<QWidget*> WindowStacking::ownedBy(const QWidget& window) const
{
    std::vector<QWidget*> owned;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (isShown(candidate) && ownerOf(*candidate) == &window) {
            owned.push_back(candidate);
        }
    }
    std::stable_sort(owned.begin(), owned.end(),
                     [this](const QWidget* a, const QWidget* b) { return recency(*a) < recency(*b); });
    return owned;
}

void WindowStacking::restack()
{
    scheduled_ = false;
    std::vector<QPointer<QWidget>> came;
    came.swap(pending_);

    // The whole order, bottom to top: each level's windows in the order
    // they came up, each followed by the windows that belong to it at its
    // level (a pop-up of a window stands with the pop-ups).
    std::vector<QWidget*> roots;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const QWidget* owner = ownerOf(*window);
        if (isShown(window) && (!isShown(owner) || levelOf(*window) > standing(*owner))) {
            roots.push_back(window);
        }
    }
    // A modal window of the whole application blocks every other: it stands
    // above them all at its level.
    const auto blocksAll = [](const QWidget* window) { return window->windowModality() == Qt::ApplicationModal; };
    std::stable_sort(roots.begin(), roots.end(), [&](const QWidget* a, const QWidget* b) {
        const Level first = standing(*a);
        const Level second = standing(*b);
        if (first != second) {
            return first < second;
        }
        if (blocksAll(a) != blocksAll(b)) {
            return blocksAll(b);
        }
        return recency(*a) < recency(*b);
    });
    std::vector<QWidget*> order;
    std::function<void(QWidget*)> append = [&](QWidget* window) {
        order.push_back(window);
        for (QWidget* owned : ownedBy(*window)) {
            if (levelOf(*owned) <= standing(*window)) {
                append(owned);
            }
        }
    };
    for (QWidget* root : roots) {
        append(root);
    }

    // What stands below the lowest window that came up keeps its place.
    std::size_t first = order.size();
    for (const QPointer<QWidget>& window : came) {
        const auto found = std::find(order.begin(), order.end(), window.data());
        if (found != order.end()) {
            first = std::min(first, static_cast<std::size_t>(found - order.begin()));
        }
    }
    for (std::size_t index = first; index < order.size(); ++index) {
        order[index]->windowHandle()->raise();
    }
}

QWidget* WindowStacking::blockerOf(const QWidget& window) const
{
    // The newest modal window that belongs to it, or to one of its own.
    const std::vector<QWidget*> owned = ownedBy(window);
    for (auto candidate = owned.rbegin(); candidate != owned.rend(); ++candidate) {
        if (QWidget* deeper = blockerOf(**candidate)) {
            return deeper;
        }
        if ((*candidate)->windowModality() != Qt::NonModal) {
            return *candidate;
        }
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (isShown(modal) && modal->windowModality() == Qt::ApplicationModal && !isWithin(&window, *modal)) {
        return modal;
    }
    return nullptr;
}

void WindowStacking::followFocus(QWindow* focus)
{
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (focus != nullptr && candidate->windowHandle() == focus) {
            unblock(*candidate);
            return;
        }
    }
}

bool WindowStacking::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The window refuses the click; what covers it takes the next ones.
    if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS) {
        const auto* press = static_cast<const xcb_button_press_event_t*>(message);
        if (QWidget* widget = QWidget::find(press->event)) {
            unblock(*widget->window());
        }
    }
    return false;
}

void WindowStacking::unblock(QWidget& window)
{
    QWidget* blocker = blockerOf(window);
    if (blocker == nullptr) {
        return;
    }
    // The window comes forward with what covers it, and the keyboard goes
    // where input is taken: after the pass, from the event loop, not from
    // inside the change of focus.
    cameUp(&window);
    QTimer::singleShot(0, blocker, [blocker] { giveKeyboard(*blocker); });
}

void WindowStacking::giveKeyboard(QWidget& window)
{
    if (!window.isVisible()) {
        return;
    }
    window.activateWindow();
    // Qt asks the X server with the time of the last event it saw, which the
    // server ignores when the focus moved since (another client gave it to
    // the blocked window): the current time always counts.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->connection() != nullptr) {
        xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window.winId()),
                            XCB_CURRENT_TIME);
        xcb_flush(x11->connection());
    }
}

}  // namespace platform
