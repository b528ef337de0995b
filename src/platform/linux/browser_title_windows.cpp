#include "platform/linux/browser_title_windows.h"

#include <QStringList>

namespace kiebitz::platform {

namespace {

// The names browsers append to the page title, after a blank, a dash of one
// of three kinds and a blank. Longer names first, so that "Mozilla Firefox"
// wins over "Firefox".
const QStringList& browserSuffixes()
{
    static const QStringList suffixes = [] {
        const QStringList names = {
            QStringLiteral("Mozilla Firefox Private Browsing"), QStringLiteral("Mozilla Firefox"),
            QStringLiteral("Firefox Developer Edition"), QStringLiteral("Firefox"), QStringLiteral("Chromium"),
            QStringLiteral("Google Chrome"), QStringLiteral("Opera"), QStringLiteral("Vivaldi"),
            QStringLiteral("Brave"), QStringLiteral("Microsoft Edge"), QStringLiteral("Microsoft\u200b Edge"),
            QStringLiteral("Konqueror"), QStringLiteral("Falkon"), QStringLiteral("SeaMonkey"),
            QStringLiteral("Pale Moon"), QStringLiteral("LibreWolf"), QStringLiteral("Waterfox"),
            QStringLiteral("Iceweasel"), QStringLiteral("Netscape"), QStringLiteral("Epiphany"),
            QStringLiteral("Midori"), QStringLiteral("qutebrowser"),
        };
        QStringList all;
        for (const QString& name : names)
            for (const QString& dash : {QStringLiteral("-"), QStringLiteral("\u2013"), QStringLiteral("\u2014")})
                all << QStringLiteral(" ") + dash + QStringLiteral(" ") + name;
        return all;
    }();
    return suffixes;
}

}  // namespace

std::optional<QString> pageTitleOfBrowserWindow(const QString& windowTitle)
{
    for (const QString& suffix : browserSuffixes())
        if (windowTitle.endsWith(suffix, Qt::CaseSensitive))
            return windowTitle.left(windowTitle.size() - suffix.size());
    return std::nullopt;
}

std::optional<std::vector<ShellBrowserEntry>> BrowserTitleWindows::browserWindows()
{
    std::vector<ShellBrowserEntry> entries;
    for (const WindowEntry& w : m_windows.windows())
        if (const auto page = pageTitleOfBrowserWindow(w.title))
            entries.push_back({QStringLiteral("http:"), w.id, *page, true});
    return entries;
}

}  // namespace kiebitz::platform
