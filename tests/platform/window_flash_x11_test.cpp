#include "platform/linux/window_flash_x11.h"
#include "support/event_waits.h"

#include <QGuiApplication>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

using namespace kiebitz;

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// The 32-bit values of a window property.
std::vector<std::uint32_t> property(xcb_connection_t* c, xcb_window_t w, const char* name, xcb_atom_t type)
{
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom(c, name), type, 0, 64), nullptr);
    std::vector<std::uint32_t> v;
    if (r && r->format == 32) {
        const auto* p = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
        v.assign(p, p + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return v;
}

bool demandsAttention(xcb_connection_t* c, xcb_window_t w)
{
    const std::vector<std::uint32_t> states = property(c, w, "_NET_WM_STATE", XCB_ATOM_ATOM);
    return std::count(states.begin(), states.end(), atom(c, "_NET_WM_STATE_DEMANDS_ATTENTION")) > 0;
}

// A plain top-level window, mapped; it speaks no focus protocol, so only the
// window manager and this test move the focus.
xcb_window_t mapWindow(xcb_connection_t* c)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 100, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    xcb_map_window(c, w);
    xcb_flush(c);
    return w;
}

}  // namespace

// Each call toggles the attention state that the window manager shows.
TEST(WindowFlashX11, EachCallTogglesAttention)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr) << "needs the xcb platform";
    if (qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") != 1)
        GTEST_SKIP() << "toggling the state needs a window manager";

    xcb_connection_t* c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t w = mapWindow(c);
    const xcb_window_t other = mapWindow(c);
    // ICCCM: a managed window has WM_STATE NormalState (1).
    const auto managed = [&](xcb_window_t x) {
        const std::vector<std::uint32_t> state = property(c, x, "WM_STATE", atom(c, "WM_STATE"));
        return !state.empty() && state[0] == 1u;
    };
    // A manager that is still starting may miss a map request; mapping
    // again asks once more.
    bool bothManaged = false;
    for (int attempt = 0; attempt < 3 && !bothManaged; ++attempt) {
        bothManaged = QTest::qWaitFor([&] { return managed(w) && managed(other); }, test::kEventBoundMs / 3);
        for (const xcb_window_t x : {w, other})
            if (!bothManaged && !managed(x)) {
                xcb_unmap_window(c, x);
                xcb_map_window(c, x);
            }
        xcb_flush(c);
    }
    ASSERT_TRUE(bothManaged);
    // The window manager refuses attention to the focused window: the focus
    // goes to the other one, and the manager has taken note once it names it
    // the active window (EWMH).
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, other, XCB_CURRENT_TIME);
    xcb_flush(c);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return property(c, root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW) == std::vector<std::uint32_t>{other}; },
        test::kEventBoundMs));

    // An even number of calls leaves the state as it was: openbox 3.6 has
    // crashed here when a window was destroyed while demanding attention.
    platform::WindowFlashX11 flash;
    const bool before = demandsAttention(c, w);
    for (int i = 1; i <= 4; ++i) {
        flash.flash(w);
        const bool expected = (i % 2 == 1) != before;
        EXPECT_TRUE(QTest::qWaitFor([&] { return demandsAttention(c, w) == expected; }, test::kEventBoundMs))
            << "call " << i;
    }
    xcb_destroy_window(c, w);
    xcb_destroy_window(c, other);
    xcb_flush(c);
}
