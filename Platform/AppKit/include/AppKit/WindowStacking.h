#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class QWindow;

namespace platform {

// The order in which a Mac's window server keeps an application's windows,
// kept by the application itself for a display where nothing else keeps it
// (an X server without a window manager, where the last window mapped or
// raised covers the others whatever it is):
// - a window that belongs to another (a sheet, a dialog: a top-level widget
//   with a parent) stays directly above the window it belongs to;
// - floating panels (windows that stay on top: the menu-bar strip, the
//   overlay, the approval guide) stay above every ordinary window;
// - pop-ups (a menu-bar panel, a menu) stay above everything.
// Whenever one of the application's windows is shown (also mapped anew) or
// raised, the windows that belong above it are raised after it, in the order
// in which they last came up. And a window blocked by a modal window of its
// own (a sheet) never keeps the keyboard: when it is activated (opened
// again, the application brought to the front, a click on it) its modal
// window comes above it and takes the focus. A window that belongs to
// another and closes while it has the keyboard hands it back to that one.
//
// A window lowered by the application counts as raised (Qt tells the two
// apart to no one); the application lowers none. A window manager that
// keeps these rules itself is only asked again what it already does. Main
// thread of a QApplication only.
class WindowStacking final : public QObject, public QAbstractNativeEventFilter {
public:
    enum class Level { normal, floating, popUp };

    // Keeps the order for the running QApplication from now on; later calls
    // change nothing. Only on X11 (Qt's xcb platform): without a
    // QApplication, or on another platform, it does nothing.
    static void install();

    static Level levelOf(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    explicit WindowStacking(QObject* parent);

    void cameUp(QWidget* window);
    void restack();
    void followFocus(QWindow* focus);
    // Brings `window` forward with the modal window that blocks it and gives
    // that one the keyboard; nothing when nothing blocks it.
    void unblock(QWidget& window);
    static void giveKeyboard(QWidget& window);
    // The visible modal window that keeps input from `window`, or null.
    QWidget* blockerOf(const QWidget& window) const;
    // The visible windows that belong to `window`, oldest first.
    std::vector<QWidget*> ownedBy(const QWidget& window) const;
    std::size_t recency(const QWidget& window) const;

    // The windows in the order they last came up, oldest first.
    std::vector<QPointer<QWidget>> cameUp_;
    // Those that came up since the last pass.
    std::vector<QPointer<QWidget>> pending_;
    bool scheduled_ = false;
};

}  // namespace platform
