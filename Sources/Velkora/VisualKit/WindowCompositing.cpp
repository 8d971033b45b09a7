#include "VisualKit/WindowCompositing.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace velkora {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

// The number of the X screen whose root holds `window`; -1 when the server
// does not answer.
int screenNumberOf(xcb_connection_t* connection, xcb_window_t window)
{
    const ReplyPointer<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry) {
        return -1;
    }
    int number = 0;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen), ++number) {
        if (screen.data->root == geometry->root) {
            return number;
        }
    }
    return -1;
}

bool hasCompositingManager(xcb_connection_t* connection, int screenNumber)
{
    const std::string name = "_NET_WM_CM_S" + std::to_string(screenNumber);
    const ReplyPointer<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr));
    // Asked only if it exists: a selection nobody ever named has no owner.
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return false;
    }
    const ReplyPointer<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace

bool WindowCompositing::blendsTranslucency(QWidget* window)
{
    const auto id = static_cast<xcb_window_t>(window->winId());
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("wayland"))) {
        return true;
    }
    // An X server offers an alpha channel only with a 32-bit visual.
    if (platform != QLatin1String("xcb") || !window->windowHandle() || !window->windowHandle()->format().hasAlpha()) {
        return false;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return false;
    }
    const int screen = screenNumberOf(connection, id);
    return screen >= 0 && hasCompositingManager(connection, screen);
}

}  // namespace velkora
