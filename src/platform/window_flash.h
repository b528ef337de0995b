#pragma once

#include <QtGlobal>

namespace kiebitz::platform {

// Draws attention to a top-level window; each call toggles the highlight,
// so calling it once per tick makes the window blink.
class WindowFlash {
public:
    virtual ~WindowFlash() = default;
    virtual void flash(quintptr windowId) = 0;
};

}  // namespace kiebitz::platform
