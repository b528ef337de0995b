#pragma once

#include "platform/window_list.h"

#include <QString>

#include <optional>
#include <vector>

namespace kiebitz::platform {

// One page a browser window shows, as the desktop's browser list reports it.
struct ShellBrowserEntry {
    QString locationUrl;    // the address shown
    WindowId window = 0;    // the top-level window that holds the page
    QString documentTitle;  // the page title
    bool answers = true;    // false: the entry could not be read
    bool selected = true;   // the page its window shows (not a background tab)
};

// The desktop's list of browser windows and the pages they show.
class ShellWindows {
public:
    virtual ~ShellWindows() = default;
    // The list in its own order; empty when the list cannot be had.
    // `desktop` is the window list as read for the action at hand, so that
    // one action reads the desktop's windows once.
    virtual std::optional<std::vector<ShellBrowserEntry>> browserWindows(const std::vector<WindowEntry>& desktop) = 0;
};

}  // namespace kiebitz::platform
