#include "../OverlayViewsTests/OverlayFixture.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velkora::test {
namespace {

xcb_connection_t* connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection(), xcb_intern_atom(connection(), 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

// The 32-bit items of a window property.
std::vector<uint32_t> property(xcb_window_t window, const char* name)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection(), xcb_get_property(connection(), 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
        nullptr);
    std::vector<uint32_t> items;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        items.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return items;
}

xcb_window_t inputFocus()
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection(), xcb_get_input_focus(connection()), nullptr);
    const xcb_window_t focus = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return focus;
}

// A press or release of the first button at `point` of `window`, sent
// through the X server as a window manager or another client would.
void sendButton(xcb_window_t window, bool press, QPoint point, QPoint root)
{
    xcb_button_press_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE;
    event.detail = 1;
    event.root = xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
    event.event = window;
    event.child = XCB_WINDOW_NONE;
    event.root_x = static_cast<int16_t>(root.x());
    event.root_y = static_cast<int16_t>(root.y());
    event.event_x = static_cast<int16_t>(point.x());
    event.event_y = static_cast<int16_t>(point.y());
    event.state = press ? 0 : XCB_BUTTON_MASK_1;
    event.same_screen = 1;
    xcb_send_event(connection(), 0, window, press ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection());
}

// The rectangles of `window`'s bounding or input shape.
std::vector<QRect> shape(xcb_window_t window, xcb_shape_sk_t kind)
{
    xcb_shape_get_rectangles_reply_t* reply =
        xcb_shape_get_rectangles_reply(connection(), xcb_shape_get_rectangles(connection(), window, kind), nullptr);
    std::vector<QRect> rectangles;
    if (reply) {
        const xcb_rectangle_t* items = xcb_shape_get_rectangles_rectangles(reply);
        for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
            rectangles.emplace_back(items[i].x, items[i].y, items[i].width, items[i].height);
        }
    }
    std::free(reply);
    return rectangles;
}

bool covers(const std::vector<QRect>& rectangles, QPoint point)
{
    return std::any_of(rectangles.begin(), rectangles.end(), [&](const QRect& r) { return r.contains(point); });
}

// Plays a compositing manager for the screen: owns its _NET_WM_CM_S0
// selection while it lives, which is all a client can see of one.
class CompositingManagerStandIn {
public:
    CompositingManagerStandIn() : window_(xcb_generate_id(connection()))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection())).data;
        xcb_create_window(connection(), XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(connection(), window_, atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        xcb_flush(connection());
    }
    ~CompositingManagerStandIn()
    {
        xcb_destroy_window(connection(), window_);
        xcb_flush(connection());
    }

private:
    xcb_window_t window_;
};

class OverlayOnX11 : public OverlayFixture {
protected:
    void SetUp() override
    {
        OverlayFixture::SetUp();
        createSettledModel();
    }

    OverlayPanel* showSettled()
    {
        presenter().show(*model);
        finishAnimations();
        OverlayPanel* panel = presenter().panel();
        EXPECT_TRUE(panel && waitFor([&] { return panel->isVisible() && panel->windowHandle()->isExposed(); }));
        return panel;
    }
};

TEST_F(OverlayOnX11, ThePanelAsksToBeOnEveryDesktopAboveOtherWindowsAndNeverForTheKeyboard)
{
    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    const auto window = static_cast<xcb_window_t>(panel->winId());

    EXPECT_EQ(property(window, "_NET_WM_DESKTOP"), std::vector<uint32_t>{0xFFFFFFFFu});
    const std::vector<uint32_t> state = property(window, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), atom("_NET_WM_STATE_STICKY")), state.end());
    EXPECT_NE(std::find(state.begin(), state.end(), atom("_NET_WM_STATE_ABOVE")), state.end());
    // WM_HINTS: flags, then input; the input hint set and false.
    const std::vector<uint32_t> hints = property(window, "WM_HINTS");
    ASSERT_GE(hints.size(), 2u);
    EXPECT_TRUE(hints[0] & 1u);
    EXPECT_EQ(hints[1], 0u);
    // A borderless window: no frame from the window manager, no title.
    const std::vector<uint32_t> motif = property(window, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[2], 0u) << "no decorations";
}

TEST_F(OverlayOnX11, ClickingAndDraggingThePanelLeavesTheKeyboardWithTheWindowThatHadIt)
{
    QWidget editor;
    auto* field = new QLineEdit(&editor);
    editor.resize(400, 120);
    editor.move(40, 40);
    editor.show();
    editor.activateWindow();
    field->setFocus();
    const auto editorWindow = static_cast<xcb_window_t>(editor.winId());
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == field && inputFocus() == editorWindow; }));

    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(QApplication::activeWindow(), &editor);
    EXPECT_EQ(inputFocus(), editorWindow);

    QSignalSpy dragged(panel, &OverlayPanel::dragEnded);
    const auto window = static_cast<xcb_window_t>(panel->winId());
    const QPoint grip = panel->mapFromGlobal(panel->cardGeometry().center());
    sendButton(window, true, grip, panel->mapToGlobal(grip));
    ASSERT_TRUE(waitFor([&] { return panel->isDragging(); }));
    sendButton(window, false, grip, panel->mapToGlobal(grip));
    ASSERT_TRUE(waitFor([&] { return dragged.count() == 1; }));
    settle();

    EXPECT_EQ(inputFocus(), editorWindow);
    EXPECT_EQ(QApplication::activeWindow(), &editor);
    EXPECT_EQ(QApplication::focusWidget(), field);
    QTest::keyClicks(field, "kept");
    EXPECT_EQ(field->text(), QStringLiteral("kept"));
}

TEST_F(OverlayOnX11, WithoutACompositingManagerThePanelIsItsCardCutToItsRoundedCorners)
{
    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    // The server would show a see-through margin black: there is none.
    EXPECT_TRUE(panel->shadowMargins().isNull());
    EXPECT_EQ(panel->geometry(), panel->cardGeometry());
    EXPECT_EQ(panel->cardGeometry().topLeft(), presenter().restingPosition());
    const std::vector<QRect> bounds = shape(static_cast<xcb_window_t>(panel->winId()), XCB_SHAPE_SK_BOUNDING);
    EXPECT_FALSE(covers(bounds, QPoint(0, 0))) << "a corner outside the rounded card would show black";
    EXPECT_FALSE(covers(bounds, QPoint(panel->width() - 1, panel->height() - 1)));
    EXPECT_TRUE(covers(bounds, QPoint(panel->width() / 2, 1)));
    EXPECT_TRUE(covers(bounds, QPoint(panel->width() / 2, panel->height() / 2)));
}

TEST_F(OverlayOnX11, UnderACompositingManagerThePanelCastsItsShadowInAMarginThePointerPassesThrough)
{
    CompositingManagerStandIn compositor;
    OverlayPanel* panel = showSettled();
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->shadowMargins(), FloatingWindow::platformShadow.margins());
    EXPECT_EQ(panel->geometry(), panel->cardGeometry() + panel->shadowMargins());
    // The card rests centred, where it would without a shadow.
    const QPoint off = panel->cardGeometry().center() - screenArea().center();
    EXPECT_LE(std::abs(off.x()), 1);
    EXPECT_LE(std::abs(off.y()), 1);

    const auto window = static_cast<xcb_window_t>(panel->winId());
    const QRect card(QPoint(panel->shadowMargins().left(), panel->shadowMargins().top()), panel->cardGeometry().size());
    EXPECT_EQ(shape(window, XCB_SHAPE_SK_INPUT), std::vector<QRect>{card});
    EXPECT_TRUE(covers(shape(window, XCB_SHAPE_SK_BOUNDING), QPoint(0, 0))) << "the margin shows, with the shadow";

    // Dragged by its card, it tells where the card went.
    QSignalSpy dragged(panel, &OverlayPanel::dragEnded);
    const QPoint grip = card.center();
    sendButton(window, true, grip, panel->mapToGlobal(grip));
    ASSERT_TRUE(waitFor([&] { return panel->isDragging(); }));
    sendButton(window, false, grip, panel->mapToGlobal(grip));
    ASSERT_TRUE(waitFor([&] { return dragged.count() == 1; }));
    EXPECT_EQ(dragged.front().front().toPoint(), panel->cardGeometry().topLeft());
}

}  // namespace
}  // namespace velkora::test
