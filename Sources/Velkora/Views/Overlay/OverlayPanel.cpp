#include "Overlay/OverlayPanel.h"

#include "Overlay/OverlayWidgetView.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstring>

namespace velkora {

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

}  // namespace

OverlayPanel::OverlayPanel(const ViewEnvironment& environment)
    : FloatingWindow(platformShadow, OverlayWidgetView::cornerRadius), widget_(new OverlayWidgetView(environment, this))
{
    setObjectName(QStringLiteral("overlayPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setCard(widget_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    joinAllDesktops();
}

void OverlayPanel::joinAllDesktops()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(winId());
    // 0xFFFFFFFF is the desktop number that means "all of them"; the sticky
    // state says the same to managers that read only the state.
    const uint32_t allDesktops = 0xFFFFFFFFu;
    const xcb_atom_t desktop = internAtom(connection, "_NET_WM_DESKTOP");
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t sticky = internAtom(connection, "_NET_WM_STATE_STICKY");
    if (desktop != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL, 32, 1,
                            &allDesktops);
    }
    if (state != XCB_ATOM_NONE && sticky != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1, &sticky);
    }
    xcb_flush(connection);
}

void OverlayPanel::mousePressEvent(QMouseEvent* event)
{
    // The shadow's margin is no handle: only the card moves the panel.
    if (event->button() != Qt::LeftButton || !acceptsDrags_ ||
        !widget_->geometry().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    pressOffset_ = event->globalPosition().toPoint() - pos();
    emit dragStarted();
    event->accept();
}

void OverlayPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressOffset_) {
        event->ignore();
        return;
    }
    move(event->globalPosition().toPoint() - *pressOffset_);
    event->accept();
}

void OverlayPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressOffset_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    move(event->globalPosition().toPoint() - *pressOffset_);
    pressOffset_.reset();
    emit dragEnded(cardGeometry().topLeft());
    event->accept();
}

}  // namespace velkora
