#pragma once

#include "platform/window_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace kiebitz::platform {

// One of the program's own top-level windows: its id (QWindow::winId()),
// the title it set and what tells it from the others across title changes
// (the QWindow; 0: the id does).
struct OwnWindow {
    WindowId id = 0;
    QString title;
    std::uintptr_t key = 0;
};

// The toplevel windows of a Wayland compositor that offers wlr foreign
// toplevel management (sway, Hyprland, labwc, river, Wayfire), read over a
// connection of its own, also when the program's widgets run on Xwayland.
// The compositor lists native Wayland windows and Xwayland windows alike.
//
// The connection is opened on first use and kept: with a Qt event loop a
// socket notifier reads the compositor's events as they come, so that the
// order of activations is followed from then on. Each read of the list first
// waits for the compositor to answer a wl_display.sync, at most `timeoutMs`;
// without an answer the list as last known stands. A broken connection is
// dropped and opened anew on the next read.
//
// Order: the protocol has no stacking order. The order in which windows
// were last activated stands in for it: the most recently activated first,
// then the windows never seen activated since the connection opened, newest
// first.
//
// Each toplevel whose details are complete (its first done event) is listed
// with the style WS_VISIBLE | WS_BORDER: the protocol lists exactly the
// windows a task bar shows, a minimised one included (as an iconic window
// on X11). Ids are made here and never repeat; they lie above every X
// window id and every pointer.
//
// The program's own windows: the protocol does not say which toplevel
// belongs to which client. A window that `ownWindows` returns is tied to a
// listed toplevel whose app id is one of `ownAppIds` (any, when empty) and
// whose title is the window's, as soon as the compositor announces it (the
// socket notifier) or at the next read; of several such toplevels the most
// recently activated, as the compositor activates a window it maps. The tie
// holds while both exist, through title changes that the compositor has
// not seen yet; the toplevel is listed with the window's id, so that the
// capture passes over it as over the X11 main window. Not for use from two
// threads.
class WindowListWayland : public WindowList {
public:
    using OwnWindows = std::function<std::vector<OwnWindow>()>;

    // `display` as in $WAYLAND_DISPLAY (a name or a path); empty: the
    // variable itself.
    explicit WindowListWayland(QByteArray display = {}, OwnWindows ownWindows = {}, QStringList ownAppIds = {},
                               int timeoutMs = 1000);
    ~WindowListWayland() override;
    WindowListWayland(const WindowListWayland&) = delete;
    WindowListWayland& operator=(const WindowListWayland&) = delete;

    // Whether the compositor can be reached and offers the toplevel list.
    bool available();
    std::vector<WindowEntry> windows() override;
    std::uint32_t style(WindowId id) override;

    struct Connection;

private:
    // The open connection, (re)opened when missing or broken; null when the
    // compositor cannot be reached or lacks the protocol.
    Connection* connection();
    // Ties the own windows not yet tied to their toplevels; unties those of
    // windows no longer shown.
    void recogniseOwnWindows(Connection& c);

    QByteArray m_display;
    OwnWindows m_ownWindows;
    QStringList m_ownAppIds;
    int m_timeoutMs;
    std::unique_ptr<Connection> m_connection;
    // Ids start above every X window id and every user-space pointer
    // (QWindow::winId() of a native Wayland window).
    WindowId m_nextId = WindowId(1) << 63;
    bool m_unsupported = false;  // the compositor answered without the manager
};

}  // namespace kiebitz::platform
