#pragma once

#include "platform/window_flash.h"

namespace kiebitz::platform {

// Toggles _NET_WM_STATE_DEMANDS_ATTENTION (EWMH) of the window, which is
// what the task bar shows as a blinking entry; without X11 it falls back to
// QApplication::alert.
class WindowFlashX11 : public WindowFlash {
public:
    void flash(quintptr windowId) override;
};

}  // namespace kiebitz::platform
