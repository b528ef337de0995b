#include "platform/linux/browser_title_windows.h"

#include "core/browser_names.h"

namespace kiebitz::platform {

std::optional<std::vector<ShellBrowserEntry>> BrowserTitleWindows::browserWindows()
{
    std::vector<ShellBrowserEntry> entries;
    for (const WindowEntry& w : m_windows.windows())
        if (const auto page = core::withoutBrowserName(w.title))
            entries.push_back({QStringLiteral("http:"), w.id, *page, true});
    return entries;
}

}  // namespace kiebitz::platform
