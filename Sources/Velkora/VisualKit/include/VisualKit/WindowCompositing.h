#pragma once

class QWidget;

namespace velkora {

// Whether the display lays a window's translucent pixels over what lies
// behind it. Only then can a window paint its own soft shadow in a
// see-through margin: an X server without a compositing manager shows the
// margin of a window with an alpha channel black, whatever alpha it holds.
// Main thread only.
class WindowCompositing {
public:
    WindowCompositing() = delete;

    // For `window`, a top-level widget with a translucent background (its
    // native window is made if it was not yet): true when that window has
    // an alpha channel and its display composes windows. On X11 that is
    // while a compositing manager owns the selection _NET_WM_CM_S<n> of the
    // window's screen n. Wayland composes every window; the offscreen
    // platform's windows are pictures that whoever takes them lays over the
    // others, as the screenshots do. On any other platform: false.
    static bool blendsTranslucency(QWidget* window);
};

}  // namespace velkora
