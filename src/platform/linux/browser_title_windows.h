#pragma once

#include "platform/shell_windows.h"
#include "platform/window_list.h"

#include <QString>

#include <optional>

namespace kiebitz::platform {

// The browser list as the X11 desktop can honestly tell it: every window of
// a known browser is one entry whose page title is the window title without
// the browser's own suffix (" - Mozilla Firefox", " — Chromium" …). The
// desktop does not publish a page's address; a browser window is taken to
// show a web page, so the entry's address is "http:" with nothing after it.
class BrowserTitleWindows : public ShellWindows {
public:
    std::optional<std::vector<ShellBrowserEntry>> browserWindows(const std::vector<WindowEntry>& desktop) override;
};

// One entry per window of a known browser, as described above.
std::vector<ShellBrowserEntry> browserEntriesOfTitles(const std::vector<WindowEntry>& windows);

}  // namespace kiebitz::platform
