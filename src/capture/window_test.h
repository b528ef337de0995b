#pragma once

#include "platform/window_list.h"

#include <cstdint>

namespace kiebitz::capture {

// A window counts as an application window when its style holds every bit
// of `mask` (visible and framed).
constexpr bool is_TaskWindow(std::uint32_t style, std::uint32_t mask) { return (style & mask) == mask; }

// The same test for a window by id; a window that vanished has style 0.
inline bool is_TaskWindow(platform::WindowList& windows, platform::WindowId id, std::uint32_t mask)
{
    return is_TaskWindow(windows.style(id), mask);
}

}  // namespace kiebitz::capture
