#include "platform/linux/window_flash_x11.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

bool demandsAttention(xcb_connection_t* c, xcb_window_t w)
{
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (!r)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
    const auto* end = atoms + xcb_get_property_value_length(r) / int(sizeof(xcb_atom_t));
    const bool found = std::find(atoms, end, atom(c, "_NET_WM_STATE_DEMANDS_ATTENTION")) != end;
    std::free(r);
    return found;
}

}  // namespace

// Each call toggles the attention state that the window manager shows.
TEST(WindowFlashX11, EachCallTogglesAttention)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr) << "needs the xcb platform";
    if (qEnvironmentVariableIntValue("KIEBITZ_EXPECT_WM") != 1)
        GTEST_SKIP() << "toggling the state needs a window manager";

    QWidget w;
    w.resize(100, 50);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QWidget other;  // the flashed window must not be the active one
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    xcb_connection_t* c = x11->connection();
    const auto id = xcb_window_t(w.winId());
    platform::WindowFlashX11 flash;
    const bool before = demandsAttention(c, id);
    for (int i = 1; i <= 3; ++i) {
        flash.flash(w.winId());
        const bool expected = (i % 2 == 1) != before;
        EXPECT_TRUE(QTest::qWaitFor([&] { return demandsAttention(c, id) == expected; }, 2000)) << "call " << i;
    }
}
