#pragma once

#include "platform/window_list.h"

#include <QByteArray>

#include <memory>

namespace kiebitz::platform {

// The top-level windows of the X display, read over a connection of its
// own (opened on first use; without a display the list is empty and every
// style 0). X errors are taken from the replies and dropped, never printed.
// All requests of one scan are sent before the first reply is read.
//
// Which windows: with an EWMH window manager (the root's
// _NET_SUPPORTING_WM_CHECK names a live window that names itself) its
// _NET_CLIENT_LIST_STACKING, reversed to topmost first. Otherwise the
// root's children, topmost first, each giving the client it holds: itself
// if it carries WM_STATE, else the first descendant that does (a frame of a
// window manager without EWMH), else itself if it is mapped and not
// override-redirect (no window manager sets WM_STATE then). Ids are client
// window ids, the same as QWidget::winId() of a top-level widget.
//
// Titles: _NET_WM_NAME of type UTF8_STRING; otherwise WM_NAME, as UTF-8
// when its type is UTF8_STRING and as Latin-1 for STRING, COMPOUND_TEXT or
// anything else. Cut at the first NUL; invalid UTF-8 gives U+FFFD.
//
// Style:
//   WS_VISIBLE  with a window manager: WM_STATE Normal or Iconic, or no
//               WM_STATE yet and mapped (a minimised window stays visible,
//               a withdrawn one is not); without one: mapped, or WM_STATE
//               Iconic.
//   WS_BORDER   where a task bar would show the window (EWMH): not
//               override-redirect, not _NET_WM_STATE_SKIP_TASKBAR, of a
//               framed type, and with a window manager managed (WM_STATE
//               set), whoever draws the frame. Framed types: the first known
//               _NET_WM_WINDOW_TYPE is NORMAL or DIALOG, or none is known
//               or set.
//
// A window that vanishes during a scan is left out of windows() and reads
// style 0. Not for use from two threads at once.
class WindowListXcb : public WindowList {
public:
    // `display` as in $DISPLAY; empty: $DISPLAY itself.
    explicit WindowListXcb(QByteArray display = {});
    ~WindowListXcb() override;
    WindowListXcb(const WindowListXcb&) = delete;
    WindowListXcb& operator=(const WindowListXcb&) = delete;

    std::vector<WindowEntry> windows() override;
    std::uint32_t style(WindowId id) override;

private:
    struct Connection;
    // The open connection, (re)opened when missing or broken; null when
    // the display cannot be reached.
    Connection* connection();

    QByteArray m_display;
    std::unique_ptr<Connection> m_connection;
};

}  // namespace kiebitz::platform
