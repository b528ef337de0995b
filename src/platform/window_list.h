#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace kiebitz::platform {

using WindowId = std::uint64_t;  // 0: no window

// One top-level window as the desktop reports it. `style` carries the bits
// WS_VISIBLE (mapped or minimised, not withdrawn) and WS_BORDER (framed by
// the window manager); a window that vanished reads as style 0, title "".
struct WindowEntry {
    WindowId id = 0;
    std::uint32_t style = 0;
    QString title;
};

// The desktop's top-level windows.
class WindowList {
public:
    virtual ~WindowList() = default;
    // All top-level windows in Z order, topmost first, with style and title.
    virtual std::vector<WindowEntry> windows() = 0;
    // Style of one window; 0 for a window that no longer exists.
    virtual std::uint32_t style(WindowId id) = 0;
};

// The style of window `id` in a list already read; 0 when it is not there.
inline std::uint32_t styleIn(const std::vector<WindowEntry>& list, WindowId id)
{
    if (id == 0)
        return 0;
    for (const WindowEntry& e : list)
        if (e.id == id)
            return e.style;
    return 0;
}

}  // namespace kiebitz::platform
