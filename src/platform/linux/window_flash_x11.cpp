#include "platform/linux/window_flash_x11.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace kiebitz::platform {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    auto cookie = xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name);
    xcb_generic_error_t* error = nullptr;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, &error);
    std::free(error);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

}  // namespace

void WindowFlashX11::flash(quintptr windowId)
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) {
        if (QWidget* w = QWidget::find(WId(windowId)))
            QApplication::alert(w);
        return;
    }
    xcb_connection_t* c = x11->connection();
    if (m_connection != c || m_state == XCB_ATOM_NONE || m_attention == XCB_ATOM_NONE) {
        m_connection = c;
        m_state = internAtom(c, "_NET_WM_STATE");
        m_attention = internAtom(c, "_NET_WM_STATE_DEMANDS_ATTENTION");
    }
    const xcb_atom_t state = m_state;
    const xcb_atom_t attention = m_attention;
    if (state == XCB_ATOM_NONE || attention == XCB_ATOM_NONE)
        return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;

    // EWMH: a client asks the window manager to change its state with a
    // _NET_WM_STATE client message to the root; action 2 toggles.
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = xcb_window_t(windowId);
    ev.type = state;
    ev.data.data32[0] = 2;
    ev.data.data32[1] = attention;
    ev.data.data32[3] = 1;  // source: normal application
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
}

}  // namespace kiebitz::platform
