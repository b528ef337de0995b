#include "platform/linux/browser_title_windows.h"

#include "core/browser_names.h"

namespace kiebitz::platform {

std::vector<ShellBrowserEntry> browserEntriesOfTitles(const std::vector<WindowEntry>& windows)
{
    std::vector<ShellBrowserEntry> entries;
    for (const WindowEntry& w : windows)
        if (const auto page = core::withoutBrowserName(w.title))
            entries.push_back({QStringLiteral("http:"), w.id, *page, true, true});
    return entries;
}

std::optional<std::vector<ShellBrowserEntry>> BrowserTitleWindows::browserWindows(
    const std::vector<WindowEntry>& desktop)
{
    return browserEntriesOfTitles(desktop);
}

}  // namespace kiebitz::platform
