#pragma once

#include "platform/window_flash.h"

#include <cstdint>

namespace kiebitz::platform {

// Toggles _NET_WM_STATE_DEMANDS_ATTENTION (EWMH) of the window, which is
// what the task bar shows as a blinking entry; without X11 it falls back to
// QApplication::alert.
class WindowFlashX11 : public WindowFlash {
public:
    void flash(quintptr windowId) override;

private:
    // Interned on the first flash, with two round trips, then kept: the
    // final minute flashes every second.
    void* m_connection = nullptr;  // the xcb connection the atoms belong to
    std::uint32_t m_state = 0;
    std::uint32_t m_attention = 0;
};

}  // namespace kiebitz::platform
