#pragma once

#include "platform/linux/window_list_kwin.h"
#include "platform/linux/window_list_wayland.h"
#include "platform/linux/window_list_xcb.h"

namespace kiebitz::platform {

// The window list of the desktop session. On Wayland ($WAYLAND_DISPLAY) the
// compositor's toplevel list when it offers wlr foreign toplevel management
// (sway, Hyprland, labwc, river, Wayfire), else KWin's list read by a KWin
// script (KDE Plasma): both hold native Wayland and Xwayland windows alike.
// Otherwise the X display's windows: all of them on X11, only the Xwayland
// ones under GNOME, which offers other programs no window list (there the
// browsers' page list on the accessibility bus finds the pages); the same
// while a wlroots compositor cannot be read (sway 1.7 drops every
// toplevel-list client while an X11 window's title is longer than one
// Wayland message). The program's own windows are Qt's visible top-level
// windows.
class WindowListSession : public WindowList {
public:
    WindowListSession();

    std::vector<WindowEntry> windows() override;
    std::uint32_t style(WindowId id) override;

private:
    WindowList& current();

    WindowListXcb m_x11;
    std::unique_ptr<WindowListWayland> m_wayland;  // with $WAYLAND_DISPLAY only
    std::unique_ptr<WindowListKWin> m_kwin;        // the same
};

// Qt's visible top-level windows that have a native window.
std::vector<OwnWindow> qtOwnWindows();

// The app ids under which a Wayland compositor lists this program's
// windows: the desktop entry's name (native Wayland), the application name
// (the class of WM_CLASS on Xwayland) and the program file's name.
QStringList qtOwnAppIds();

}  // namespace kiebitz::platform
